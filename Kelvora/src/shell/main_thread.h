// Work handed to the main thread from any thread, for objects that live and change only there.
// Callbacks from other threads hold a Guard, never the object: the object clears it as it goes
// away, and work that arrives later is dropped.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <functional>
#include <memory>

namespace kelv::app {

template <typename Object>
class MainThreadGuard {
 public:
  explicit MainThreadGuard(Object* object) : object_(std::make_shared<Object*>(object)) {}
  ~MainThreadGuard() { *object_ = nullptr; }
  MainThreadGuard(const MainThreadGuard&) = delete;
  MainThreadGuard& operator=(const MainThreadGuard&) = delete;

  // A callable for other threads: runs `work` with the object on the main thread, unless the
  // object is gone by then.
  std::function<void(std::function<void(Object&)>)> poster() const {
    return [object = object_](std::function<void(Object&)> work) {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(),
          [object, work = std::move(work)] {
            if (*object != nullptr) work(**object);
          },
          Qt::QueuedConnection);
    };
  }

  void post(std::function<void(Object&)> work) const { poster()(std::move(work)); }

 private:
  std::shared_ptr<Object*> object_;
};

}  // namespace kelv::app
