#include "shell/lead_form.hpp"

namespace bq::shell {

engine::LeadForm read_lead_form(const nlohmann::json& payload) {
  engine::LeadForm form;
  if (!payload.is_object()) return form;
  const auto string_at = [&payload](const char* key, std::string& field) {
    const auto it = payload.find(key);
    if (it != payload.end() && it->is_string()) field = it->get<std::string>();
  };
  string_at("phone", form.phone);
  string_at("productInterest", form.productInterest);
  string_at("scanNote", form.scanNote);
  if (const auto it = payload.find("includeScanNote"); it != payload.end() && it->is_boolean()) {
    form.includeScanNote = it->get<bool>();
  }
  return form;
}

}  // namespace bq::shell
