// What klctl prints for each request: readable lines, or one JSON object per command.
#pragma once
#include <ostream>
#include <string>

#include "klctl_cli.h"
#include "klctl_exchange.h"

// "KLCONTROL_MODE (4)", "command 98" for numbers without a name, "suspend (JS)".
std::string klctlStepLabel(const KlctlStep& step);

// Prints one result. Text: the status with its name ("refused" for 1) and the payload (decoded where the
// command's layout is known, else as a hex dump) on out, a missing answer on err. JSON: one object on out,
// {"command":N,"name":"...","status":S,"status_name":"...","payload_hex":"..."} (plus "decoded": a JSON
// value where the payload has a structured form, else the decoded text),
// or {"command":N,"name":"...","error":"..."}; suspend and resume use "JS" and "JR" as command.
void klctlReport(const KlctlStep& step, const KlctlResult& result, bool json, std::ostream& out,
                 std::ostream& err);
