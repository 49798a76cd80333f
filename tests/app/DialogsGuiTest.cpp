#include <functional>
#include <stdexcept>

#include <QAbstractButton>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "GuiTesting.h"
#include "app/Dialogs.h"

Q_DECLARE_METATYPE(std::vector<std::string>)

// Runs `answer` on the message box once it is shown (from inside its own event loop).
static void whenAlertShows(std::function<void(QMessageBox&)> answer) {
  QTimer::singleShot(5, [answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return whenAlertShows(answer);
    answer(*box);
  });
}

static QAbstractButton* buttonTitled(QMessageBox& box, const QString& title) {
  for (auto* button : box.buttons())
    if (button->text() == title) return button;
  return nullptr;
}

class DialogsGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void alertsAnswerWithTheButtonsPosition_data() {
    QTest::addColumn<std::vector<std::string>>("buttons");
    QTest::addColumn<QString>("press");  // a button title, or "Esc"
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << std::vector<std::string>{"Yes", "No"} << "Yes" << 1000;
    QTest::newRow("Esc on Yes/No") << std::vector<std::string>{"Yes", "No"} << "Esc" << 1001;
    QTest::newRow("All") << std::vector<std::string>{"Yes", "No", "All"} << "All" << 1002;
    QTest::newRow("Esc on Yes/No/All") << std::vector<std::string>{"Yes", "No", "All"} << "Esc" << 1001;
    QTest::newRow("Esc on Load/Cancel") << std::vector<std::string>{"Load", "Cancel"} << "Esc" << 1001;
    QTest::newRow("Return on the default button") << std::vector<std::string>{} << "Return" << 1000;
  }

  void alertsAnswerWithTheButtonsPosition() {
    QFETCH(std::vector<std::string>, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    whenAlertShows([press](QMessageBox& box) {
      if (press == "Esc")
        QTest::keyClick(&box, Qt::Key_Escape);
      else if (press == "Return")
        QTest::keyClick(&box, Qt::Key_Return);
      else
        buttonTitled(box, press)->click();
    });
    app::Alert alert{"Overwrite Preset?", "Would you like to overwrite \"Show\"?",
                     app::AlertStyle::informational, buttons};
    QCOMPARE(app::dialogs().runModal(nullptr, alert), answer);
  }

  // It sits on the window of the widget it is given, titled as the program.
  void theSharedErrorAlertShowsTheDescriptionOverItsWindow() {
    QMainWindow window;
    auto* pane = new QWidget(&window);
    window.setCentralWidget(pane);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QString message, informative, title;
    QMessageBox::Icon icon{};
    QWidget* parent = nullptr;
    whenAlertShows([&](QMessageBox& box) {
      message = box.text();
      informative = box.informativeText();
      icon = box.icon();
      title = box.windowTitle();
      parent = box.parentWidget();
      app::testing::saveScreenshot(box, "error-alert");
      box.buttons().front()->click();
    });
    app::showErrorAlert(pane, std::make_exception_ptr(std::runtime_error("Device is offline")));
    QCOMPARE(message, QString("Error"));
    QCOMPARE(informative, QString("Device is offline"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(parent, &window);
    QCOMPARE(title, QApplication::applicationDisplayName());
  }

  void sheetsAreWindowModalAndAnswerLater() {
    QMainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int answer = 0;
    app::dialogs().beginSheet(&window, {"Warning!", "Are you sure?", app::AlertStyle::warning, {"Load", "Cancel"}},
                              [&answer](int response) { answer = response; });
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window.findChild<QMessageBox*>()) != nullptr && box->isVisible());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(answer, 0);
    buttonTitled(*box, "Load")->click();
    QTRY_COMPARE(answer, 1000);
  }
};

QTEST_MAIN(DialogsGuiTest)
#include "DialogsGuiTest.moc"
