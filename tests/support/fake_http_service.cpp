#include "fake_http_service.h"

#include <httplib.h>
#include <strings.h>

#include <atomic>
#include <chrono>
#include <map>
#include <stdexcept>
#include <thread>

namespace kelv::test {

std::optional<std::string> FakeHttpService::Request::header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && ::strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  }
  return std::nullopt;
}

std::vector<std::string> FakeHttpService::Request::partNames() const {
  std::vector<std::string> names;
  for (const Part& part : parts) names.push_back(part.name);
  return names;
}

const FakeHttpService::Part& FakeHttpService::Request::part(const std::string& name) const {
  for (const Part& part : parts) {
    if (part.name == name) return part;
  }
  throw std::runtime_error("the form has no part named " + name);
}

struct FakeHttpService::Impl {
  httplib::Server server;
  std::thread thread;
  mutable std::mutex mutex;
  std::map<std::pair<std::string, std::string>, Handler> routes;
  std::vector<Request> received;
  std::atomic<bool> stopped{false};

  Reply dispatch(const Request& request) {
    Handler handler;
    {
      std::lock_guard lock(mutex);
      received.push_back(request);
      if (auto route = routes.find({request.method, request.path}); route != routes.end()) {
        handler = route->second;
      }
    }
    if (!handler) return Reply::json(R"({"error":{"message":"no route"}})", 404);
    return handler(request);
  }

  static Request describe(const httplib::Request& in) {
    Request request;
    request.method = in.method;
    request.path = in.path;
    for (const auto& [name, value] : in.headers) request.headers.emplace_back(name, value);
    return request;
  }

  // Reads the body the way a service's form parser would: parts in order for a form, the
  // raw bytes otherwise.
  static void readBody(Request& request, const httplib::Request& in,
                       const httplib::ContentReader& reader) {
    if (in.is_multipart_form_data()) {
      request.multipart = true;
      reader(
          [&](const httplib::MultipartFormData& file) {
            request.parts.push_back({file.name, file.filename, file.content_type, {}});
            return true;
          },
          [&](const char* data, size_t length) {
            request.parts.back().content.append(data, length);
            return true;
          });
    } else {
      reader([&](const char* data, size_t length) {
        request.body.append(data, length);
        return true;
      });
    }
  }

  void respond(const Request& request, httplib::Response& out) {
    Reply reply = dispatch(request);
    if (reply.delaySeconds > 0) {
      std::this_thread::sleep_for(std::chrono::duration<double>(reply.delaySeconds));
    }
    out.status = reply.status;
    for (const auto& [name, value] : reply.headers) out.set_header(name, value);
    if (!reply.cutOff) {
      out.set_content(reply.body, reply.contentType);
      return;
    }
    // Promise the whole body, deliver half of it, then drop the connection.
    auto body =
        std::make_shared<std::string>(reply.body.empty() ? std::string(64, 'x') : reply.body);
    out.set_content_provider(body->size(), reply.contentType,
                             [body](size_t, size_t, httplib::DataSink& sink) {
                               sink.write(body->data(), body->size() / 2);
                               return false;
                             });
  }
};

FakeHttpService::FakeHttpService(int port) : impl_(std::make_unique<Impl>()) {
  auto withBody = [this](const httplib::Request& in, httplib::Response& out,
                         const httplib::ContentReader& reader) {
    Request request = Impl::describe(in);
    Impl::readBody(request, in, reader);
    impl_->respond(request, out);
  };
  auto withoutBody = [this](const httplib::Request& in, httplib::Response& out) {
    Request request = Impl::describe(in);
    request.body = in.body;
    impl_->respond(request, out);
  };
  impl_->server.Get(".*", withoutBody);
  impl_->server.Delete(".*", withoutBody);
  impl_->server.Post(".*", withBody);
  impl_->server.Put(".*", withBody);
  impl_->server.Patch(".*", withBody);
  if (port > 0) {
    if (impl_->server.bind_to_port("127.0.0.1", port)) port_ = port;
  } else {
    port_ = impl_->server.bind_to_any_port("127.0.0.1");
  }
  if (port_ <= 0) throw std::runtime_error("the fake HTTP service couldn't bind a port");
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
  while (!impl_->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeHttpService::~FakeHttpService() { stop(); }

void FakeHttpService::stop() {
  if (impl_->stopped.exchange(true)) return;
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

void FakeHttpService::on(const std::string& method, const std::string& path, Handler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->routes[{method, path}] = std::move(handler);
}

void FakeHttpService::script(const std::string& method, const std::string& path,
                             std::vector<Reply> replies) {
  if (replies.empty()) throw std::invalid_argument("a script needs at least one reply");
  auto state = std::make_shared<std::pair<std::vector<Reply>, size_t>>(std::move(replies), 0);
  auto mutex = std::make_shared<std::mutex>();
  on(method, path, [state, mutex](const Request&) {
    std::lock_guard lock(*mutex);
    auto& [list, next] = *state;
    Reply reply = list[std::min(next, list.size() - 1)];
    ++next;
    return reply;
  });
}

std::string FakeHttpService::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<FakeHttpService::Request> FakeHttpService::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->received;
}

std::size_t FakeHttpService::count() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->received.size();
}

}  // namespace kelv::test
