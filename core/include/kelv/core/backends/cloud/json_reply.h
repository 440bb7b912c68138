// Typed reading of a cloud service's JSON reply, the way the backends decode by key: a missing
// or null optional member is absent, a required member that is missing, null or of the wrong
// type makes the whole reply undecodable, and members not asked for are ignored.
// JsonReply::decode turns an undecodable reply into CloudError::badResponse for the backend.
//
// Pure functions, safe from any thread.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "kelv/core/backends/cloud/cloud_error.h"

namespace kelv::core::JsonReply {

// Thrown by the readers below when the reply doesn't have the expected shape.
struct Malformed {};

// The body parsed as JSON whose top level is an object.
nlohmann::json parseObject(std::string_view body);
// The body parsed as JSON whose top level is an array.
nlohmann::json parseArray(std::string_view body);

const std::string& string(const nlohmann::json& object, const char* key);
std::optional<std::string> optionalString(const nlohmann::json& object, const char* key);
double number(const nlohmann::json& object, const char* key);
std::optional<double> optionalNumber(const nlohmann::json& object, const char* key);
const nlohmann::json& array(const nlohmann::json& object, const char* key);
// Null when missing or null.
const nlohmann::json* optionalArray(const nlohmann::json& object, const char* key);
const nlohmann::json* optionalObject(const nlohmann::json& object, const char* key);
// `value` itself when it is an object.
const nlohmann::json& asObject(const nlohmann::json& value);

// Runs `read` and returns its result; an undecodable reply becomes badResponse(backend).
template <class Read>
auto decode(const std::string& backend, Read&& read) -> decltype(read()) {
  try {
    return read();
  } catch (const Malformed&) {
    throw CloudError::badResponse(backend);
  } catch (const nlohmann::json::exception&) {
    throw CloudError::badResponse(backend);
  }
}

}  // namespace kelv::core::JsonReply
