#include "engine/checks.hpp"

#include "support/utf8.hpp"

namespace bq::engine {

std::string tpm_version(std::string_view tpmSpecVersion) {
  return std::string(support::trim_white_space(tpmSpecVersion.substr(0, tpmSpecVersion.find(','))));
}

nlohmann::json check_row_to_json(const CheckRow& row) {
  return nlohmann::json{{"id", row.id},         {"label", row.label},
                        {"requirement", row.requirement}, {"detected", row.detected},
                        {"status", row.status}, {"statusLabel", row.statusLabel},
                        {"detail", row.detail}};
}

}  // namespace bq::engine
