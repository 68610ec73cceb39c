// Code-page conversions between the byte strings the core works on and the
// encodings around it: the locale's codeset (the product's "ANSI code page"),
// UTF-8 (the catalogue and the UI) and CP866 (DOS mode). Conversions go
// through glibc iconv, except CP866 to CP1251, which follows Windows' own
// table with its best-fit substitutes so that DOS mode gives the bytes a
// Cyrillic Windows system gives. Nothing here fails: a character the target
// lacks becomes '?', a byte the source cannot decode becomes '?' or U+FFFD.
#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <optional>

namespace strovel {
namespace {

// CP866 byte -> Unicode code point of its character.
constexpr std::array<char32_t, 256> kOemCodePoints = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,  // 0x00
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,  // 0x08
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,  // 0x10
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,  // 0x18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 0x20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 0x28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 0x38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 0x40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 0x48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 0x50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 0x58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 0x60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 0x68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 0x70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,  // 0x78
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0x80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0x88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0x90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0x98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xA0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 0xD8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xE0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xE8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // 0xF8
};

// CP866 byte -> CP1251 byte: the same character where CP1251 has it,
// otherwise Windows' best-fit substitute (box drawing becomes '-', '+', ...).
constexpr std::array<unsigned char, 256> kOemToCp1251 = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0x2D, 0x2D, 0x2D, 0xA6, 0x2B, 0xA6, 0xA6, 0xAC, 0xAC, 0xA6, 0xA6, 0xAC, 0x2D, 0x2D, 0x2D, 0xAC,
    0x4C, 0x2B, 0x54, 0x2B, 0x2D, 0x2B, 0xA6, 0xA6, 0x4C, 0xE3, 0xA6, 0x54, 0xA6, 0x3D, 0x2B, 0xA6,
    0xA6, 0x54, 0x54, 0x4C, 0x4C, 0x2D, 0xE3, 0x2B, 0x2B, 0x2D, 0x2D, 0x2D, 0x2D, 0xA6, 0xA6, 0x2D,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
    0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB0, 0x95, 0xB7, 0x76, 0xB9, 0xA4, 0xA6, 0xA0,
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr std::string_view kUtf8 = "UTF-8";
constexpr std::string_view kCp1251 = "CP1251";

unsigned char byteAt(std::string_view text, std::size_t pos) {
  return static_cast<unsigned char>(text[pos]);
}

// The length of the well-formed UTF-8 sequence that starts at pos (1 for
// ASCII), or 0 when the byte there starts none: a stray continuation byte,
// an overlong form, a surrogate, a code point beyond U+10FFFF or a sequence
// cut short.
std::size_t wellFormedLength(std::string_view text, std::size_t pos) {
  const unsigned char lead = byteAt(text, pos);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  if (byteAt(text, pos + 1) < low || byteAt(text, pos + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byteAt(text, pos + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The well-formed multi-byte sequence that pos falls strictly inside, if
// any. A lead byte is never part of another well-formed sequence, so it
// suffices to look back at most three bytes for one whose sequence spans pos.
struct Sequence {
  std::size_t start;
  std::size_t end;
};
std::optional<Sequence> enclosingSequence(std::string_view text, std::size_t pos) {
  for (std::size_t back = 1; back <= 3 && back <= pos; ++back) {
    const std::size_t start = pos - back;
    if ((byteAt(text, start) & 0xC0) == 0x80) continue;
    const std::size_t end = start + wellFormedLength(text, start);
    if (end > pos) return Sequence{start, end};
    return std::nullopt;
  }
  return std::nullopt;
}

void appendUtf8(char32_t codePoint, std::string& out) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Codeset names compare without case, '-' or '_' ("utf8" is "UTF-8").
std::string squeezedName(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key;
}

// "UTF-8" for every UTF-8 spelling and for the C/POSIX locale's ASCII,
// "CP1251" for every Windows-1251 spelling, any other name unchanged.
std::string normalisedCodeset(std::string_view name) {
  const std::string key = squeezedName(name);
  if (key.empty() || key == "UTF8" || key == "ANSIX3.41968" || key == "C" || key == "POSIX") {
    return std::string(kUtf8);
  }
  if (key == "CP1251" || key == "WINDOWS1251" || key == "MSCYRL") return std::string(kCp1251);
  return std::string(name);
}

// One iconv conversion descriptor, closed with the object. valid() is false
// when iconv does not know one of the two codesets.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the conversion of input to out. Where iconv refuses the input at
  // some offset, refused(offset, out) appends a substitute and returns how
  // many input bytes it stands for; conversion goes on after them.
  template <typename Refused>
  void convert(std::string_view input, std::string& out, Refused refused) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::size_t pos = 0;
    while (pos < input.size()) {
      const int error = step(input, pos, out);
      if (error == 0) break;
      if (error != E2BIG) pos += refused(pos, out);
    }
    finish(out);
  }

 private:
  // One iconv call from pos into fresh room at the end of out; pos moves past
  // what was converted. Returns 0 when the whole input is converted, else
  // the errno iconv stopped with.
  int step(std::string_view input, std::size_t& pos, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + 4 * (input.size() - pos) + 16);
    char* in = const_cast<char*>(input.data() + pos);
    std::size_t inLeft = input.size() - pos;
    char* outPtr = out.data() + start;
    std::size_t outLeft = out.size() - start;
    const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    out.resize(out.size() - outLeft);
    pos = input.size() - inLeft;
    return error;
  }

  // Writes the sequence that returns a stateful encoding to its initial state.
  void finish(std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + 16);
    char* outPtr = out.data() + start;
    std::size_t outLeft = 16;
    iconv(handle_, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(out.size() - outLeft);
  }

  iconv_t handle_;
};

// Converts well-formed UTF-8 to the converter's codeset, '?' for each
// character the codeset lacks; without a converter only ASCII survives.
void convertWellFormed(Converter& converter, std::string_view run, std::string& out) {
  if (!converter.valid()) {
    for (std::size_t pos = 0; pos < run.size(); pos += wellFormedLength(run, pos)) {
      out += byteAt(run, pos) < 0x80 ? run[pos] : '?';
    }
    return;
  }
  converter.convert(run, out, [run](std::size_t offset, std::string& target) {
    target += '?';
    return std::max<std::size_t>(1, wellFormedLength(run, offset));
  });
}

// UTF-8 to any codeset: well-formed runs go through the converter, each
// byte that starts no well-formed sequence becomes '?'.
void utf8ToCodeset(Converter& converter, std::string_view utf8, std::string& out) {
  std::size_t runStart = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t length = wellFormedLength(utf8, pos);
    if (length > 0) {
      pos += length;
      continue;
    }
    convertWellFormed(converter, utf8.substr(runStart, pos - runStart), out);
    out += '?';
    runStart = ++pos;
  }
  convertWellFormed(converter, utf8.substr(runStart), out);
}

// UTF-8 as it is, each byte that starts no well-formed sequence replaced by
// U+FFFD.
std::string repairedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t length = wellFormedLength(text, pos);
    if (length == 0) {
      out += kReplacement;
      ++pos;
    } else {
      out += text.substr(pos, length);
      pos += length;
    }
  }
  return out;
}

// What each CP866 byte becomes in a codeset other than CP1251: the UTF-8
// form of its character, converted on when the codeset is not UTF-8.
std::array<std::string, 256> oemTargets(const std::string& codeset) {
  std::array<std::string, 256> targets;
  for (std::size_t oem = 0; oem < targets.size(); ++oem) {
    appendUtf8(kOemCodePoints[oem], targets[oem]);
  }
  if (codeset == kUtf8) return targets;
  Converter converter(codeset, std::string(kUtf8));
  for (std::string& target : targets) {
    std::string converted;
    utf8ToCodeset(converter, target, converted);
    target = std::move(converted);
  }
  return targets;
}

}  // namespace

std::string ansiCodeset() { return normalisedCodeset(nl_langinfo(CODESET)); }

bool ansiIsUtf8() { return ansiCodeset() == kUtf8; }

std::string utf8ToAnsi(std::string_view utf8) { return utf8ToAnsi(utf8, ansiCodeset()); }

std::string utf8ToAnsi(std::string_view utf8, const std::string& codeset) {
  const std::string target = normalisedCodeset(codeset);
  if (target == kUtf8) return std::string(utf8);
  Converter converter(target, std::string(kUtf8));
  std::string out;
  out.reserve(utf8.size());
  utf8ToCodeset(converter, utf8, out);
  return out;
}

std::string ansiToUtf8(std::string_view ansi) { return ansiToUtf8(ansi, ansiCodeset()); }

std::string ansiToUtf8(std::string_view ansi, const std::string& codeset) {
  const std::string source = normalisedCodeset(codeset);
  if (source == kUtf8) return repairedUtf8(ansi);
  std::string out;
  out.reserve(ansi.size() * 2);
  Converter converter(std::string(kUtf8), source);
  if (!converter.valid()) {
    for (char c : ansi) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  converter.convert(ansi, out, [](std::size_t, std::string& target) {
    target += kReplacement;
    return std::size_t{1};
  });
  return out;
}

void oemToAnsi(std::string& text) { oemToAnsi(text, ansiCodeset()); }

void oemToAnsi(std::string& text, const std::string& codeset) {
  const std::string target = normalisedCodeset(codeset);
  if (target == kCp1251) {
    for (char& c : text) c = static_cast<char>(kOemToCp1251[static_cast<unsigned char>(c)]);
    return;
  }
  const std::array<std::string, 256> targets = oemTargets(target);
  std::string out;
  out.reserve(text.size());
  for (char c : text) out += targets[static_cast<unsigned char>(c)];
  text = std::move(out);
}

std::size_t cutPrefixLength(std::string_view text, std::size_t limit, bool utf8) {
  if (text.size() <= limit) return text.size();
  if (!utf8) return limit;
  const std::optional<Sequence> split = enclosingSequence(text, limit);
  return split ? split->start : limit;
}

std::size_t cutSuffixStart(std::string_view text, std::size_t limit, bool utf8) {
  if (text.size() <= limit) return 0;
  const std::size_t start = text.size() - limit;
  if (!utf8) return start;
  const std::optional<Sequence> split = enclosingSequence(text, start);
  return split ? split->end : start;
}

}  // namespace strovel
