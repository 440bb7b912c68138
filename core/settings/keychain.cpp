#include "kelv/core/settings/keychain.h"

#include <libsecret/secret.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "kelv/core/settings/preferences.h"
#include "kelv/core/util/application.h"

namespace kelv::core {
namespace {

const SecretSchema& schema() {
  static const SecretSchema value = [] {
    SecretSchema s;
    std::memset(&s, 0, sizeof s);
    static const std::string name = std::string(Application::kIdentifier) + ".ApiKey";
    s.name = name.c_str();
    // Items are found by their two attributes alone, whoever stored them.
    s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
    s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  return value;
}

// One bounded conversation with the Secret Service: a cancellable that a watchdog cancels when
// the time is up, and references to the session bus and the service held only for the call.
class Session {
 public:
  explicit Session(std::chrono::milliseconds timeout)
      : cancellable_(g_cancellable_new()), watchdog_([this, timeout] { watch(timeout); }) {}

  ~Session() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    wake_.notify_all();
    watchdog_.join();
    if (service_) g_object_unref(service_);
    // Dropping the last reference lets the next call connect afresh (to a bus that may have
    // been restarted or changed).
    if (connection_) g_object_unref(connection_);
    g_object_unref(cancellable_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  GCancellable* cancellable() const { return cancellable_; }

  // The Secret Service proxy, or nullptr when the bus or the service can't be reached in time.
  SecretService* open() {
    GError* error = nullptr;
    connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable_, &error);
    if (!connection_) return fail(error);
    // The shared connection would otherwise end the process when the bus goes away.
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
    service_ = secret_service_open_sync(SECRET_TYPE_SERVICE, nullptr, SECRET_SERVICE_NONE,
                                        cancellable_, &error);
    if (!service_) return fail(error);
    return service_;
  }

 private:
  SecretService* fail(GError* error) {
    if (error) g_error_free(error);
    return nullptr;
  }

  void watch(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!wake_.wait_for(lock, timeout, [this] { return finished_; }))
      g_cancellable_cancel(cancellable_);
  }

  GCancellable* cancellable_;
  GDBusConnection* connection_ = nullptr;
  SecretService* service_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool finished_ = false;
  std::thread watchdog_;
};

class Attributes {
 public:
  Attributes(const std::string& service, const std::string& account)
      : table_(g_hash_table_new(g_str_hash, g_str_equal)) {
    g_hash_table_insert(table_, const_cast<char*>("service"), const_cast<char*>(service.c_str()));
    g_hash_table_insert(table_, const_cast<char*>("account"), const_cast<char*>(account.c_str()));
  }
  ~Attributes() { g_hash_table_unref(table_); }
  Attributes(const Attributes&) = delete;
  Attributes& operator=(const Attributes&) = delete;
  GHashTable* get() const { return table_; }

 private:
  GHashTable* table_;
};

}  // namespace

Keychain::Keychain(std::string service, std::chrono::milliseconds timeout)
    : service_(std::move(service)), timeout_(timeout) {}

std::string Keychain::serviceFor(const std::optional<std::string>& suite) {
  if (suite && Preferences::suite(*suite))
    return std::string(Application::kIdentifier) + "." + *suite;
  return Application::kIdentifier;
}

std::optional<std::string> Keychain::secret(const std::string& account) const {
  Session session(timeout_);
  SecretService* service = session.open();
  if (!service) return std::nullopt;
  Attributes attributes(service_, account);
  GError* error = nullptr;
  SecretValue* value = secret_service_lookup_sync(service, &schema(), attributes.get(),
                                                  session.cancellable(), &error);
  if (error) g_error_free(error);
  if (!value) return std::nullopt;
  gsize length = 0;
  const gchar* bytes = secret_value_get(value, &length);
  std::optional<std::string> result;
  if (bytes && g_utf8_validate(bytes, static_cast<gssize>(length), nullptr))
    result = std::string(bytes, length);
  secret_value_unref(value);
  return result;
}

void Keychain::setSecret(const std::optional<std::string>& value, const std::string& account) {
  Session session(timeout_);
  SecretService* service = session.open();
  if (!service) return;
  Attributes attributes(service_, account);
  GError* error = nullptr;
  secret_service_clear_sync(service, &schema(), attributes.get(), session.cancellable(), &error);
  g_clear_error(&error);
  if (!value || value->empty()) return;
  SecretValue* secret =
      secret_value_new(value->data(), static_cast<gssize>(value->size()), "text/plain");
  const std::string label = "Tizara: " + account;
  secret_service_store_sync(service, &schema(), attributes.get(), SECRET_COLLECTION_DEFAULT,
                            label.c_str(), secret, session.cancellable(), &error);
  g_clear_error(&error);
  secret_value_unref(secret);
}

}  // namespace kelv::core
