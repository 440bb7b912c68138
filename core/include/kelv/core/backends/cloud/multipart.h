// A multipart/form-data request body under construction, for the backends that upload audio
// as a form. Names, values and file names are written verbatim: callers pass only their own
// field names and plain values.
//
// A plain value; not shared between threads.
#pragma once

#include <string>
#include <string_view>

namespace kelv::core {

class Multipart {
 public:
  // A fresh boundary "kelv-" + upper-case UUID, and an empty body.
  Multipart();

  const std::string& boundary() const noexcept { return boundary_; }
  // The request's Content-Type header value.
  std::string contentType() const { return "multipart/form-data; boundary=" + boundary_; }

  // Appends a text field.
  void add(std::string_view name, std::string_view value);
  // Appends a file field with its bytes, file name and content type.
  void addFile(std::string_view name, std::string_view bytes, std::string_view filename,
               std::string_view type);

  // The parts added so far followed by the closing delimiter.
  std::string finished() const;

 private:
  std::string boundary_;
  std::string body_;
};

}  // namespace kelv::core
