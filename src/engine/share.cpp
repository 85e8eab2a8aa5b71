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

std::string build_share_url(const HardwareReport& report, const RawHardwareSnapshot& snapshot) {
  nlohmann::json rows = nlohmann::json::array();
  for (const CheckRow& row : report.checks) rows.push_back(check_summary(row));

  nlohmann::json summary = nlohmann::json::object();
  summary["v"] = std::uint64_t{1};
  summary["code"] = report.verdictCode;
  summary["tone"] = report.verdictTone;
  summary["device"] = report.deviceName;
  summary["os"] = snapshot.osCaption;
  summary["cpu"] = snapshot.cpuName;
  // Doubles stay number_float, so a whole size is written with its ".0".
  summary["ram"] = snapshot.ramGb;
  summary["disk"] = snapshot.diskTotalGb;
  summary["tpm"] = tpm_summary(snapshot);
  summary["boot"] = snapshot.firmwareType + " / " + snapshot.secureBoot;
  summary["pass"] = report.passCount;
  summary["warn"] = report.warnCount;
  summary["fail"] = report.failCount;
  summary["checks"] = std::move(rows);

  // The base64url alphabet needs no percent-encoding in a fragment.
  std::string url(CHECK_PAGE_URL);
  url += "#report=";
  url += support::base64url_encode(support::write_json(summary));
  return url;
}

}  // namespace bq::engine
