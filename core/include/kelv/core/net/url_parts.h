// One URL taken apart by libcurl's URL parser, the same parser that sends the requests, so an
// address is read here exactly as it will be used. Any scheme is accepted; the parts come back
// as libcurl writes them (lower-case scheme, percent-encoded host and path).
//
// A value type; one object is not safe to change from two threads at once.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kelv::core {

class UrlParts {
 public:
  enum class Part { url, scheme, host, port, path };

  // Absent when the text is not an absolute URL libcurl accepts.
  static std::optional<UrlParts> parse(const std::string& text);

  UrlParts(UrlParts&&) noexcept;
  UrlParts& operator=(UrlParts&&) noexcept;
  ~UrlParts();

  // The part; absent when the URL has none (a port that was not written, say). `url` is the
  // whole address again, normalised.
  std::optional<std::string> get(Part part) const;
  // Replaces the whole path; false when libcurl refuses the new path.
  bool setPath(const std::string& path);

 private:
  struct Impl;
  explicit UrlParts(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::core
