// A batch from the page is any bytes: splitting it into calls never reads past the body, refuses
// it whole or answers at most 64 elements, and each element is a call or says what is wrong.
#include <variant>

#include "fuzz/FuzzInput.h"
#include "host/ScriptCallBatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parsed = sw::host::parseScriptCallBatch(sw::fuzz::bytesAsText(data, size));
  if (const auto* refusal = std::get_if<std::string>(&parsed)) {
    sw::fuzz::require(!refusal->empty(), "a refused batch says why");
    return 0;
  }
  const auto& elements = std::get<std::vector<sw::host::BatchElement>>(parsed);
  sw::fuzz::require(elements.size() <= sw::host::kMaxBatchCalls, "at most 64 calls");
  for (const auto& element : elements) {
    const auto* error = std::get_if<std::string>(&element);
    const auto* call = std::get_if<sw::host::ScriptCallRequest>(&element);
    sw::fuzz::require(error ? !error->empty() : call->arguments.is_array(), "each element is a call or an error");
  }
  return 0;
}
