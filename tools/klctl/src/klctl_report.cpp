#include "klctl_report.h"

#include <nlohmann/json.hpp>

#include "klErrno.h"
#include "klHexdump.h"
#include "klcontrol_answer_decoders.h"
#include "klctl_commands.h"

namespace {

const char* systemCode(const KlctlStep& step) {
  return step.kind == KlctlStepKind::Suspend ? "JS" : "JR";
}

// A hex dump with offsets, each line indented.
std::string hexDump(const std::vector<uint8_t>& bytes) {
  // One line of at most 80 characters plus the indent for every 16 bytes, and the "..." lines.
  std::vector<char> text((bytes.size() / 16 + 2) * 96);
  const int written =
      snhexdump0(text.data(), static_cast<unsigned>(text.size()), bytes.data(), bytes.size(), "  ");
  return std::string(text.data(), written > 0 ? static_cast<size_t>(written) : 0);
}

// The payload decoded where the command's layout is known, else null.
nlohmann::ordered_json decoded(const KlctlStep& step, const KlctlResult& result) {
  if (step.kind != KlctlStepKind::Command) return nullptr;
  return klcontrol_decode_payload(step.number, result.answer.payload);
}

std::string decodedText(const KlctlStep& step, const KlctlResult& result) {
  return klcontrol_decoded_text(step.number, decoded(step, result));
}

nlohmann::ordered_json jsonObject(const KlctlStep& step, const KlctlResult& result) {
  nlohmann::ordered_json object;
  if (step.kind == KlctlStepKind::Command) {
    object["command"] = step.number;
    object["name"] = klctlCommandName(step.number);
  } else {
    object["command"] = systemCode(step);
    object["name"] = step.kind == KlctlStepKind::Suspend ? "suspend" : "resume";
  }
  if (!result.problem.empty()) {
    object["error"] = result.problem;
    return object;
  }
  object["status"] = result.answer.status;
  object["status_name"] = klErrno2Str(result.answer.status);
  object["payload_hex"] = hexstring(result.answer.payload.data(), result.answer.payload.size(), true);
  if (step.kind != KlctlStepKind::Command || result.answer.payload.empty()) return object;
  nlohmann::ordered_json structured = decoded(step, result);
  if (klcontrol_decoded_is_document(step.number) && !structured.is_null()) {
    object["decoded"] = std::move(structured);
    return object;
  }
  const std::string text = klcontrol_decoded_text(step.number, structured);
  if (!text.empty()) object["decoded"] = text;
  return object;
}

// Status 1 is how the daemon refuses a command (while suspended, for one); it has no error name.
const char* statusText(int32_t status) {
  return status == 1 ? "refused" : klErrno2Str(status);
}

void printText(const KlctlStep& step, const KlctlResult& result, std::ostream& out) {
  const std::vector<uint8_t>& payload = result.answer.payload;
  out << klctlStepLabel(step) << ": status " << result.answer.status << " ("
      << statusText(result.answer.status) << ")";
  if (payload.empty()) {
    out << "\n";
    return;
  }
  out << ", payload " << payload.size() << " bytes\n";
  const std::string text = decodedText(step, result);
  out << (text.empty() ? hexDump(payload) : "  " + text + "\n");
}

}  // namespace

std::string klctlStepLabel(const KlctlStep& step) {
  if (step.kind != KlctlStepKind::Command) {
    return std::string(step.kind == KlctlStepKind::Suspend ? "suspend" : "resume") + " (" + systemCode(step) +
           ")";
  }
  const std::string name = klctlCommandName(step.number);
  const std::string number = std::to_string(step.number);
  return name.empty() ? "command " + number : name + " (" + number + ")";
}

void klctlReport(const KlctlStep& step, const KlctlResult& result, bool json, std::ostream& out,
                 std::ostream& err) {
  if (json) {
    // Payload text need not be UTF-8: replace what is not, rather than fail.
    out << jsonObject(step, result).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  } else if (!result.problem.empty()) {
    err << "klctl: " << klctlStepLabel(step) << ": " << result.problem << "\n";
  } else {
    printText(step, result, out);
  }
  out.flush();
}
