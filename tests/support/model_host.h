// A model host on 127.0.0.1 for tests of the model download: serves files and a SHA256SUMS
// list, answers range requests itself, and can cut a response off after a number of bytes or
// leave out its length. Every request is recorded (path and Range header). Stops in the
// destructor.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kelv::test {

class ModelHost {
 public:
  struct Request {
    std::string path;
    std::optional<std::string> range;
  };

  ModelHost();
  ~ModelHost();
  ModelHost(const ModelHost&) = delete;
  ModelHost& operator=(const ModelHost&) = delete;

  // Serves `content` as /NAME. The checksum list names it with its true digest unless
  // `listedDigest` says otherwise; an empty `listedDigest` leaves it out of the list.
  void serve(const std::string& name, std::string content,
             std::optional<std::string> listedDigest = std::nullopt);
  // Lists /NAME in the checksum list with `digest` but answers 404 for the file itself.
  void listOnly(const std::string& name, const std::string& digest);
  // The next response for /NAME closes the connection after `bytes` bytes of its body.
  void cutNextAfter(const std::string& name, size_t bytes);
  // Responses for /NAME come without Content-Length (chunked), so their size is unknown.
  void hideLength(const std::string& name);
  // No SHA256SUMS at all (404).
  void withoutChecksumList();

  // "http://127.0.0.1:<port>"
  std::string baseUrl() const;
  std::vector<Request> requests() const;

  static std::string sha256Hex(const std::string& content);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::test
