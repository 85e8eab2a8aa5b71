#pragma once
// The `submit_lead` payload of a page request, read into the engine's form.

#include <nlohmann/json.hpp>

#include "engine/lead.hpp"

namespace bq::shell {

// Takes each key only when the payload is an object and the key holds the
// expected JSON type (string, or boolean for "includeScanNote"); anything
// else, a null or non-object payload included, leaves that field's default.
// Never fails. Pure: safe on any thread.
engine::LeadForm read_lead_form(const nlohmann::json& payload);

}  // namespace bq::shell
