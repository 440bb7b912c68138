#include "model_host.h"

#include <httplib.h>
#include <openssl/evp.h>

#include <stdexcept>
#include <thread>

namespace kelv::test {

struct ModelHost::Impl {
  struct File {
    std::string content;
    std::optional<std::string> listedDigest;
    std::optional<size_t> cutAfter;
    bool hideLength = false;
    bool missing = false;
  };

  httplib::Server server;
  std::thread thread;
  int port = 0;
  mutable std::mutex mutex;
  std::map<std::string, File> files;
  bool checksumList = true;
  std::vector<Request> requests;

  std::string list() {
    std::string text;
    for (const auto& [name, file] : files) {
      const std::string digest = file.listedDigest.value_or(sha256Hex(file.content));
      if (!digest.empty()) text += digest + "  " + name + "\n";
    }
    return text;
  }

  void handle(const httplib::Request& request, httplib::Response& response) {
    std::lock_guard lock(mutex);
    requests.push_back({request.path, request.has_header("Range")
                                          ? std::optional(request.get_header_value("Range"))
                                          : std::nullopt});
    // The library would cut ranges out of our bodies on its own (and keep status 200); the
    // ranges are answered here instead.
    const_cast<httplib::Request&>(request).ranges.clear();
    const std::string name = request.path.substr(1);
    if (name == "SHA256SUMS" && checksumList) {
      response.set_content(list(), "text/plain");
      return;
    }
    auto found = files.find(name);
    if (found == files.end() || found->second.missing) {
      response.status = 404;
      response.set_content("not found", "text/plain");
      return;
    }
    File& file = found->second;
    size_t first = 0;
    if (request.has_header("Range")) {
      const std::string range = request.get_header_value("Range");
      first = std::stoul(range.substr(range.find('=') + 1));
      if (first >= file.content.size()) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(file.content.size()));
        return;
      }
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                               std::to_string(file.content.size() - 1) + "/" +
                                               std::to_string(file.content.size()));
    }
    auto body = std::make_shared<std::string>(file.content.substr(first));
    const size_t limit = file.cutAfter ? std::min(*file.cutAfter, body->size()) : body->size();
    const bool cut = file.cutAfter.has_value();
    file.cutAfter.reset();
    auto provide = [body, limit, cut](size_t offset, size_t length, httplib::DataSink& sink) {
      if (offset >= limit) return !cut;  // false closes the connection mid-body
      sink.write(body->data() + offset, std::min(length, limit - offset));
      return true;
    };
    if (file.hideLength) {
      response.set_chunked_content_provider(
          "application/octet-stream", [body, limit, cut](size_t offset, httplib::DataSink& sink) {
            if (offset >= limit) {
              if (cut) return false;
              sink.done();
              return true;
            }
            sink.write(body->data() + offset, std::min<size_t>(64 * 1024, limit - offset));
            return true;
          });
    } else {
      response.set_content_provider(body->size(), "application/octet-stream", provide);
    }
  }
};

ModelHost::ModelHost() : impl_(std::make_unique<Impl>()) {
  impl_->server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    impl_->handle(request, response);
  });
  impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
  if (impl_->port <= 0) throw std::runtime_error("the model host can't listen");
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
}

ModelHost::~ModelHost() {
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

void ModelHost::serve(const std::string& name, std::string content,
                      std::optional<std::string> listedDigest) {
  std::lock_guard lock(impl_->mutex);
  impl_->files[name] = {std::move(content), std::move(listedDigest), std::nullopt, false, false};
}

void ModelHost::listOnly(const std::string& name, const std::string& digest) {
  std::lock_guard lock(impl_->mutex);
  impl_->files[name] = {"", digest, std::nullopt, false, true};
}

void ModelHost::cutNextAfter(const std::string& name, size_t bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->files.at(name).cutAfter = bytes;
}

void ModelHost::hideLength(const std::string& name) {
  std::lock_guard lock(impl_->mutex);
  impl_->files.at(name).hideLength = true;
}

void ModelHost::withoutChecksumList() {
  std::lock_guard lock(impl_->mutex);
  impl_->checksumList = false;
}

std::string ModelHost::baseUrl() const { return "http://127.0.0.1:" + std::to_string(impl_->port); }

std::vector<ModelHost::Request> ModelHost::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

std::string ModelHost::sha256Hex(const std::string& content) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(content.data(), content.size(), digest, &length, EVP_sha256(), nullptr);
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += hex[digest[i] >> 4];
    text += hex[digest[i] & 15];
  }
  return text;
}

}  // namespace kelv::test
