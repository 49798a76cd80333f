#include "app/GuiExecutor.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace app {

namespace detail {

void postToGui(std::function<void()> work) {
  auto* application = QCoreApplication::instance();
  if (application == nullptr) return;
  QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
}

asio::execution_context& guiContext() {
  static asio::execution_context context;
  return context;
}

}  // namespace detail

bool isMainThread() {
  auto* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

asio::any_io_executor guiExecutor() { return GuiExecutor{}; }

}  // namespace app
