#include "kelv/core/backends/cloud/json_reply.h"

namespace kelv::core::JsonReply {
namespace {

const nlohmann::json* present(const nlohmann::json& object, const char* key) {
  auto member = object.find(key);
  return member == object.end() || member->is_null() ? nullptr : &*member;
}

const nlohmann::json& required(const nlohmann::json& object, const char* key) {
  const nlohmann::json* member = present(object, key);
  if (!member) throw Malformed{};
  return *member;
}

}  // namespace

nlohmann::json parseObject(std::string_view body) {
  nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
  if (json.is_discarded() || !json.is_object()) throw Malformed{};
  return json;
}

nlohmann::json parseArray(std::string_view body) {
  nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
  if (json.is_discarded() || !json.is_array()) throw Malformed{};
  return json;
}

const std::string& string(const nlohmann::json& object, const char* key) {
  const nlohmann::json& member = required(object, key);
  if (!member.is_string()) throw Malformed{};
  return member.get_ref<const std::string&>();
}

std::optional<std::string> optionalString(const nlohmann::json& object, const char* key) {
  const nlohmann::json* member = present(object, key);
  if (!member) return std::nullopt;
  if (!member->is_string()) throw Malformed{};
  return member->get<std::string>();
}

double number(const nlohmann::json& object, const char* key) {
  const nlohmann::json& member = required(object, key);
  if (!member.is_number()) throw Malformed{};
  return member.get<double>();
}

std::optional<double> optionalNumber(const nlohmann::json& object, const char* key) {
  const nlohmann::json* member = present(object, key);
  if (!member) return std::nullopt;
  if (!member->is_number()) throw Malformed{};
  return member->get<double>();
}

const nlohmann::json& array(const nlohmann::json& object, const char* key) {
  const nlohmann::json& member = required(object, key);
  if (!member.is_array()) throw Malformed{};
  return member;
}

const nlohmann::json* optionalArray(const nlohmann::json& object, const char* key) {
  const nlohmann::json* member = present(object, key);
  if (member && !member->is_array()) throw Malformed{};
  return member;
}

const nlohmann::json* optionalObject(const nlohmann::json& object, const char* key) {
  const nlohmann::json* member = present(object, key);
  if (member && !member->is_object()) throw Malformed{};
  return member;
}

const nlohmann::json& asObject(const nlohmann::json& value) {
  if (!value.is_object()) throw Malformed{};
  return value;
}

}  // namespace kelv::core::JsonReply
