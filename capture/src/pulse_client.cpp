#include "pulse_client.h"

#include "kelv/core/util/application.h"

namespace kelv::capture {

PulseFailure::PulseFailure(int code) : std::runtime_error(pa_strerror(code)), code_(code) {}

PulseClient::PulseClient(const std::string& name, pa_subscription_mask_t mask, EventHandler onEvent)
    : onEvent_(std::move(onEvent)) {
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) throw PulseFailure(PA_ERR_INTERNAL);
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Kelvora");
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, core::Application::kIdentifier);
  context_ =
      pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), name.c_str(), properties);
  pa_proplist_free(properties);
  if (!context_) {
    pa_threaded_mainloop_free(loop_);
    throw PulseFailure(PA_ERR_INTERNAL);
  }
  pa_context_set_state_callback(context_, &PulseClient::onState, this);
  pa_context_set_subscribe_callback(context_, &PulseClient::onSubscription, this);

  int failure = 0;  // PA_OK
  bool failed = false;
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    failed = true;
    failure = pa_context_errno(context_);
  } else if (pa_threaded_mainloop_start(loop_) < 0) {
    failed = true;
    failure = PA_ERR_INTERNAL;
  } else {
    Lock lock(*this);
    for (;;) {
      const auto state = pa_context_get_state(context_);
      if (state == PA_CONTEXT_READY) break;
      if (!PA_CONTEXT_IS_GOOD(state)) {
        failed = true;
        failure = pa_context_errno(context_);
        break;
      }
      wait();
    }
    if (!failed && mask != PA_SUBSCRIPTION_MASK_NULL) {
      try {
        auto done = [](pa_context*, int, void* userdata) {
          static_cast<PulseClient*>(userdata)->signal();
        };
        await(pa_context_subscribe(context_, mask, done, this));
      } catch (const PulseFailure& error) {
        failed = true;
        failure = error.code();
      }
    }
  }
  if (failed) {
    release();
    throw PulseFailure(failure ? failure : PA_ERR_CONNECTIONREFUSED);
  }
}

PulseClient::~PulseClient() { release(); }

void PulseClient::release() {
  if (!loop_) return;
  {
    Lock lock(*this);
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

bool PulseClient::isReady() const {
  return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

int PulseClient::lastError() const { return pa_context_errno(context_); }

void PulseClient::await(pa_operation* operation) {
  if (!operation) throw PulseFailure(lastError() ? lastError() : PA_ERR_INTERNAL);
  // A failing context cancels its operations, and the state callback signals us.
  while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) wait();
  pa_operation_unref(operation);
}

PulseClient::ServerDefaults PulseClient::defaults() {
  struct Pending {
    PulseClient* client;
    ServerDefaults result;
  } pending{this, {}};
  auto callback = [](pa_context*, const pa_server_info* info, void* userdata) {
    auto* p = static_cast<Pending*>(userdata);
    if (info) {
      p->result.sink = info->default_sink_name ? info->default_sink_name : "";
      p->result.source = info->default_source_name ? info->default_source_name : "";
    }
    p->client->signal();
  };
  await(pa_context_get_server_info(context_, callback, &pending));
  return pending.result;
}

std::optional<std::string> PulseClient::property(const pa_proplist* list, const char* key) {
  if (!list) return std::nullopt;
  const char* value = pa_proplist_gets(list, key);
  if (!value) return std::nullopt;
  return std::string(value);
}

void PulseClient::onState(pa_context*, void* userdata) {
  static_cast<PulseClient*>(userdata)->signal();
}

void PulseClient::onSubscription(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                                 void* userdata) {
  auto* client = static_cast<PulseClient*>(userdata);
  if (client->onEvent_) client->onEvent_(type, index);
}

}  // namespace kelv::capture
