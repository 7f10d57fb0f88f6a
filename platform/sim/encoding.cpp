#include "platform/sim/encoding.h"

#include <iconv.h>

#include <stdexcept>
#include <vector>

namespace platform::sim {

namespace {

const char* IconvName(std::uint32_t codePage) {
  switch (codePage) {
    case 936:
      return "CP936";
    case 1252:
      return "CP1252";
    case 65001:
      return "UTF-8";
    default:
      throw std::invalid_argument("code page not simulated");
  }
}

// One iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("iconv_open failed");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`; false when some input could not be converted.
  bool Convert(const char* in, std::size_t inSize, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buffer(inSize * 4 + 16);
    char* src = const_cast<char*>(in);
    char* dst = buffer.data();
    std::size_t srcLeft = inSize;
    std::size_t dstLeft = buffer.size();
    const bool ok =
        iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) && srcLeft == 0;
    if (ok)
      out.append(buffer.data(), buffer.size() - dstLeft);
    return ok;
  }

 private:
  iconv_t cd_;
};

std::string Utf32Bytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(c);
    bytes.append(reinterpret_cast<const char*>(&u), 4);
  }
  return bytes;
}

}  // namespace

std::string WideToCodePage(const std::wstring& text, std::uint32_t codePage) {
  Converter converter(IconvName(codePage), "UTF-32LE");
  std::string out;
  for (wchar_t c : text) {
    const std::string one = Utf32Bytes(std::wstring(1, c));
    if (!converter.Convert(one.data(), one.size(), out))
      out += '?';
  }
  return out;
}

std::wstring CodePageToWide(const std::string& bytes, std::uint32_t codePage) {
  Converter converter("UTF-32LE", IconvName(codePage));
  std::string out;
  if (!converter.Convert(bytes.data(), bytes.size(), out)) {
    // Undecodable input: keep what decodes byte by byte, '?' for the rest.
    out.clear();
    for (char c : bytes) {
      if (!converter.Convert(&c, 1, out))
        out.append("?\0\0\0", 4);
    }
  }
  std::wstring text;
  for (std::size_t i = 0; i + 4 <= out.size(); i += 4) {
    std::uint32_t u = 0;
    for (int b = 3; b >= 0; --b)
      u = (u << 8) | static_cast<unsigned char>(out[i + b]);
    text += static_cast<wchar_t>(u);
  }
  return text;
}

std::string ToUtf8(const std::wstring& text) {
  return WideToCodePage(text, 65001);
}
std::wstring FromUtf8(const std::string& text) {
  return CodePageToWide(text, 65001);
}

}  // namespace platform::sim
