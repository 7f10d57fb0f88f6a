// ReadBool and the integer conversion behind it against the rules written again in
// reference_rules.h: any input on which they disagree is a finding.
#include <optional>
#include <string>

#include "fuzz/fuzz_text.h"
#include "fuzz/reference_rules.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "untComm/config_file.h"
#include "untComm/conversions.h"
#include "untComm/exceptions.h"

namespace {

// An initialisation-file service holding one key, or none.
class OneKey : public platform::Profile {
 public:
  std::optional<std::wstring> value;
  std::wstring ReadString(const std::wstring&, const std::wstring&, const std::wstring&,
                          const std::wstring& defaultValue) override {
    return value ? *value : defaultValue;
  }
  bool WriteString(const std::wstring&, const std::wstring&, const std::wstring&,
                   const std::wstring&) override {
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = fuzz::WideText(std::string(reinterpret_cast<const char*>(data), size));

  const auto expected = fuzz::ReferenceInteger(text);
  const auto actual = untComm::TryStrToInt(text);
  if (expected != actual)
    fuzz::Finding("TryStrToInt disagrees with the rules", text,
                  (actual ? std::to_wstring(*actual) : L"none") + L" instead of " +
                      (expected ? std::to_wstring(*expected) : L"none"));
  try {
    if (untComm::StrToInt(text) != expected)
      fuzz::Finding("StrToInt disagrees with the rules", text);
  } catch (const untComm::EConvertError& e) {
    if (expected || e.Message() != L"'" + text + L"' is not a valid integer value")
      fuzz::Finding("StrToInt raised", text, e.Message());
  }

  OneKey profile;
  platform::Services services;
  services.profile = &profile;
  platform::Install(services);
  const untComm::TIniFile ini(untComm::kConfigFileName);
  for (bool present : {true, false}) {
    profile.value = present ? std::optional(text) : std::nullopt;
    for (bool defaultValue : {false, true}) {
      const bool want = fuzz::ReferenceFlag(present ? text : L"", defaultValue);
      if (ini.ReadBool(untComm::kConfigSection, L"MUSTLABEL", defaultValue) != want)
        fuzz::Finding(present ? "ReadBool disagrees with the rules"
                              : "ReadBool of a missing key is not its default",
                      text, defaultValue ? L"default true" : L"default false");
    }
  }
  platform::Install(platform::Services{});
  return 0;
}
