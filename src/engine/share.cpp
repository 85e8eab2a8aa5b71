#include "engine/share.hpp"

#include "engine/vendor.hpp"
#include "support/base64.hpp"
#include "support/json_writer.hpp"

namespace bq::engine {
namespace {

std::string tpm_summary(const RawHardwareSnapshot& snapshot) {
  if (!snapshot.tpmPresent) return "None";
  const std::string version = tpm_version(snapshot.tpmSpecVersion);
  return "TPM " + (version.empty() ? std::string("Present") : version);
}

nlohmann::json check_summary(const CheckRow& row) {
  // The row's requirement is the same on every machine, so the link leaves it out.
  return nlohmann::json{{"id", row.id},    {"l", row.label},        {"d", row.detected},
                        {"s", row.status}, {"sl", row.statusLabel}, {"n", row.detail}};
}

}  // namespace

std::string build_share_url(std::string_view verdictCode, std::string_view verdictTone, std::string_view deviceName,
                            std::uint64_t passCount, std::uint64_t warnCount, std::uint64_t failCount,
                            const std::vector<CheckRow>& checks, const RawHardwareSnapshot& snapshot) {
  nlohmann::json rows = nlohmann::json::array();
  for (const CheckRow& row : checks) rows.push_back(check_summary(row));

  nlohmann::json report = nlohmann::json::object();
  report["v"] = std::uint64_t{1};
  report["code"] = verdictCode;
  report["tone"] = verdictTone;
  report["device"] = deviceName;
  report["os"] = snapshot.osCaption;
  report["cpu"] = snapshot.cpuName;
  // Doubles stay number_float, so a whole size is written with its ".0".
  report["ram"] = snapshot.ramGb;
  report["disk"] = snapshot.diskTotalGb;
  report["tpm"] = tpm_summary(snapshot);
  report["boot"] = snapshot.firmwareType + " / " + snapshot.secureBoot;
  report["pass"] = passCount;
  report["warn"] = warnCount;
  report["fail"] = failCount;
  report["checks"] = std::move(rows);

  // The base64url alphabet needs no percent-encoding in a fragment.
  std::string url(CHECK_PAGE_URL);
  url += "#report=";
  url += support::base64url_encode(support::write_json(report));
  return url;
}

}  // namespace bq::engine
