#include <atomic>
#include <stdexcept>
#include <thread>

#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "app/MainTask.h"
#include "async/Cancellation.h"

namespace asio = boost::asio;

class MainTaskGuiTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void continuationsOfAMainTaskRunOnTheGuiThread() {
    auto pooled = async::spawn([]() -> asio::awaitable<std::thread::id> {
      co_await async::sleep(std::chrono::milliseconds(5));
      co_return std::this_thread::get_id();
    });
    auto task = app::spawnOnMain([pooled]() -> asio::awaitable<std::vector<bool>> {
      std::vector<bool> onGui{app::isMainThread()};
      auto poolThread = co_await pooled.value();
      onGui.push_back(app::isMainThread() && poolThread != std::this_thread::get_id());
      co_await async::sleep(std::chrono::milliseconds(1));
      onGui.push_back(app::isMainThread());
      co_await app::onMain();
      onGui.push_back(app::isMainThread());
      co_return onGui;
    });
    QTRY_VERIFY(task.isFinished());
    // A finished task gives its value without blocking.
    QCOMPARE(task.get(), (std::vector<bool>{true, true, true, true}));
  }

  void runOnMainHandsWorkToTheGuiThreadFromThePool() {
    std::atomic<bool> ranOnGui{false};
    auto task = async::spawn([&ranOnGui]() -> asio::awaitable<int> {
      auto work = [&ranOnGui] {
        ranOnGui = app::isMainThread();
        return 42;
      };
      int value = co_await app::runOnMain(work);
      auto failing = []() -> int { throw std::runtime_error("widget gone"); };
      try {
        co_await app::runOnMain(failing);
      } catch (const std::runtime_error&) {
        value += 1;
      }
      bool refused = false;
      try {
        co_await app::onMain();
      } catch (const std::logic_error&) {
        refused = true;
      }
      co_return refused ? value : -1;
    });
    QTRY_VERIFY(task.isFinished());
    QCOMPARE(task.get(), 43);
    QVERIFY(ranOnGui.load());
  }

  void aTaskOutlivingItsWidgetTouchesNothing() {
    auto* label = new QLabel("before");
    QPointer<QLabel> guarded(label);
    auto task = app::spawnOnMain([guarded]() -> asio::awaitable<bool> {
      co_await async::sleep(std::chrono::milliseconds(20));
      if (!guarded) co_return false;
      guarded->setText("after");
      co_return true;
    });
    delete label;
    QTRY_VERIFY(task.isFinished());
    QCOMPARE(task.get(), false);
  }

  void cancellingAMainTaskEndsItsWait() {
    auto task = app::spawnOnMain([]() -> asio::awaitable<void> {
      co_await async::sleep(std::chrono::seconds(30));
    });
    QTest::qWait(10);
    task.cancel();
    QTRY_VERIFY(task.isFinished());
    QVERIFY_THROWS_EXCEPTION(async::CancellationError, task.get());
  }
};

QTEST_MAIN(MainTaskGuiTest)
#include "MainTaskGuiTest.moc"
