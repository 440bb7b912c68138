// One connection to the sound server: a threaded main loop with its own thread and one context.
//
// Every pa_* call on the context or its streams must hold the loop lock (PulseClient::Lock);
// callbacks run on the loop thread with the lock already held and must never block. The
// blocking helpers (`await`, the queries) are called with the lock held and wait on the loop's
// condition, which releases the lock while waiting.
#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace kelv::capture {

// A failed sound-server call: the server's error code and its own text (pa_strerror).
class PulseFailure : public std::runtime_error {
 public:
  explicit PulseFailure(int code);
  int code() const noexcept { return code_; }

 private:
  int code_;
};

class PulseClient {
 public:
  // Subscription events (facility and type, object index), delivered on the loop thread.
  using EventHandler = std::function<void(pa_subscription_event_type_t, uint32_t)>;

  // Connects and subscribes to `mask`. Throws PulseFailure when the server can't be reached.
  PulseClient(const std::string& name, pa_subscription_mask_t mask, EventHandler onEvent);
  // Disconnects and ends the loop thread. Must not be called with the lock held.
  ~PulseClient();
  PulseClient(const PulseClient&) = delete;
  PulseClient& operator=(const PulseClient&) = delete;

  class Lock {
   public:
    explicit Lock(PulseClient& client) : loop_(client.loop_) { pa_threaded_mainloop_lock(loop_); }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    pa_threaded_mainloop* loop_;
  };

  pa_context* context() const { return context_; }
  pa_threaded_mainloop* loop() const { return loop_; }
  // REQUIRES: lock held. False once the server has gone away.
  bool isReady() const;
  // REQUIRES: lock held. The context's last error code.
  int lastError() const;
  // REQUIRES: lock held. Wakes every waiter; used by callbacks.
  void signal() const { pa_threaded_mainloop_signal(loop_, 0); }
  void wait() const { pa_threaded_mainloop_wait(loop_); }

  // REQUIRES: lock held. Waits for `operation` to finish and releases it; a null operation
  // (the call failed to start) throws PulseFailure.
  void await(pa_operation* operation);

  // REQUIRES: lock held. Runs a list or single-object query: `start(callback, userdata)` starts
  // it, `each` sees every returned object. Throws PulseFailure when the query fails.
  template <class Info, class Start, class Each>
  void query(Start&& start, Each&& each) {
    struct Pending {
      PulseClient* client;
      Each* each;
      bool failed = false;
    } pending{this, &each};
    auto callback = [](pa_context*, const Info* info, int eol, void* userdata) {
      auto* p = static_cast<Pending*>(userdata);
      if (eol == 0 && info) (*p->each)(*info);
      if (eol < 0) p->failed = true;
      if (eol != 0) p->client->signal();
    };
    using Callback = void (*)(pa_context*, const Info*, int, void*);
    await(start(static_cast<Callback>(callback), &pending));
    if (pending.failed && lastError() != PA_ERR_NOENTITY) throw PulseFailure(lastError());
  }

  struct ServerDefaults {
    std::string sink;
    std::string source;
  };
  // REQUIRES: lock held.
  ServerDefaults defaults();

  // REQUIRES: lock held. A property of a property list, or none.
  static std::optional<std::string> property(const pa_proplist* list, const char* key);

 private:
  static void onState(pa_context* context, void* userdata);
  static void onSubscription(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                             void* userdata);
  void release();

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  EventHandler onEvent_;
};

}  // namespace kelv::capture
