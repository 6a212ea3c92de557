// The input of `sensorwidget script` as any byte stream: lines are cut at line feeds, none is
// kept beyond the request limit, the lines put back together give the input again (long lines
// aside), and each line parses to a call or a refusal.
#include <sstream>
#include <string>
#include <variant>

#include "fuzz/FuzzInput.h"
#include "host/ScriptCallRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using sw::fuzz::require;
  const std::string_view bytes = sw::fuzz::bytesAsText(data, size);
  // The limit is 64 KiB; a small input repeated reaches it without the fuzzer making huge inputs.
  const std::size_t repeat = !bytes.empty() && bytes[0] == '*' ? sw::host::kMaxRequestBodyBytes / 256 + 1 : 1;
  std::string stream;
  for (std::size_t i = 0; i < repeat; ++i) stream += bytes;
  std::istringstream input(stream);

  std::string rebuilt;
  bool anyTooLong = false;
  std::size_t lines = 0;
  while (std::optional<sw::host::ScriptLine> line = sw::host::readScriptLine(input)) {
    require(++lines <= stream.size() + 1, "every line takes at least one byte of input");
    require(line->text.size() <= sw::host::kMaxRequestBodyBytes, "no line is kept beyond the limit");
    require(line->text.find('\n') == std::string::npos, "a line holds no line feed");
    require(!line->tooLong || line->text.empty(), "a line that is too long keeps nothing");
    anyTooLong = anyTooLong || line->tooLong;
    rebuilt += line->text + "\n";
    // Parsing is the other harness's work; a few lines each run keep the pair honest without
    // spending the time on tens of thousands of repeated lines.
    if (lines > 16 || line->text.empty()) continue;
    const auto parsed = sw::host::parseScriptCallRequest(line->text);
    require(!std::holds_alternative<std::string>(parsed) || !std::get<std::string>(parsed).empty(),
            "a refused line says why");
  }
  if (!anyTooLong) {
    const bool endsWithLineFeed = !stream.empty() && stream.back() == '\n';
    require(rebuilt == (endsWithLineFeed || stream.empty() ? stream : stream + "\n"), "the lines give back the input");
  }
  return 0;
}
