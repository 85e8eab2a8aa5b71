// engine-harness lead: reads a `submit_lead` payload (one JSON value) from
// standard input into the form as the bridge does, then either sends it
//   lead --endpoint URL --cacert FILE   prints the reply as compact JSON
// or only prepares it
//   lead --dry-run                      prints the request body, or "refused"
//                                       and the phone-check message

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "engine/lead.hpp"
#include "harness.hpp"
#include "shell/lead_form.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"

namespace bq::harness {
namespace {

constexpr std::size_t MAX_PAYLOAD_DEPTH = 128;

void print_line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace

int run_lead(std::span<char*> args) {
  bool dry_run = false;
  const char* endpoint = nullptr;
  const char* cacert = nullptr;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--dry-run") {
      dry_run = true;
    } else if (arg == "--endpoint" && i + 1 < args.size()) {
      endpoint = args[++i];
    } else if (arg == "--cacert" && i + 1 < args.size()) {
      cacert = args[++i];
    } else {
      dry_run = false;
      endpoint = cacert = nullptr;
      break;
    }
  }
  if (dry_run ? endpoint || cacert : !endpoint || !cacert) {
    std::fputs("usage: engine-harness lead --endpoint URL --cacert FILE | lead --dry-run\n", stderr);
    return 2;
  }

  nlohmann::json payload;
  try {
    const std::string input = read_stdin();
    support::JsonReader reader(input);
    payload = reader.read_value(MAX_PAYLOAD_DEPTH);
    reader.expect_end();
  } catch (const support::JsonError& error) {
    std::fprintf(stderr, "lead: payload: %s\n", error.what());
    return 1;
  }
  const engine::LeadForm form = shell::read_lead_form(payload);

  if (dry_run) {
    const std::optional<engine::LeadRequest> request = engine::build_lead_request(form);
    if (request) {
      print_line(support::write_json(engine::lead_request_to_json(*request)));
    } else {
      print_line("refused " + std::string(engine::PHONE_CHECK_MESSAGE));
    }
    return 0;
  }

  const std::optional<std::string> roots = read_file(cacert);
  if (!roots) {
    std::fprintf(stderr, "lead: cannot read %s\n", cacert);
    return 1;
  }
  engine::LeadTransport transport;
  transport.endpoint = endpoint;
  transport.trusted_roots = *roots;
  print_line(support::write_json(engine::lead_reply_to_json(engine::submit_consultation_lead(form, transport))));
  return 0;
}

}  // namespace bq::harness
