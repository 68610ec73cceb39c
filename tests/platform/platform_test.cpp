// Tests of the platform layer.
//
// The disk FileSystem, in a fresh temporary folder: whole-file reads,
// atomic replacement (the old file intact until commit and after a failed
// write, the new content unnamed until then), a head written last, and
// lexical absolute paths. (Text read in pieces,
// links, targets that cannot be made, FIFOs and spools written whole,
// permissions, modes and full disks are tried on the program itself, in
// tests/reliability/fault_test.sh.) A write that fails is tried here, where
// nothing above the file system can hide it.
//
// The text-mode layer: the reading conversion and the writer against the
// literal byte-by-byte conversion (the text-mode fuzz target's property) on
// random texts, and a failed write that sticks.
//
// The code pages: codeset names, UTF-8 <-> codeset conversion with its
// substitutes, the CP866 (DOS mode) conversion with Windows' best-fit bytes,
// and the byte cuts that must not split a UTF-8 character. Most cases name
// the codeset explicitly so they do not depend on the test's locale.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <clocale>
#include <csignal>
#include <random>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/text_mode.h"
#include "support/file_bytes.h"
#include "support/memory_file_system.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// Files are put and read with the standard library (support/file_bytes.h),
// independently of the code under test, in a folder of the test's own that
// is its current folder.
TEST(DiskFileSystem, ReadsAndReplacesFilesAtomically) {
  const ScratchFolder scratch;
  FileSystem& disk = diskFileSystem();
  // A file whose stat size (0) does not tell how much it holds.
  EXPECT_EQ(disk.readFile("/proc/version"), readAll("/proc/version"));
  fs::create_directory("folder");
  for (const std::string& bad : {"missing.txt"s, "folder"s, "missing/x"s, ""s})
    EXPECT_FALSE(disk.readFile(bad) || disk.canRead(bad) || disk.openText(bad)) << bad;

  // A replaced file's old content stays readable until commit (an input
  // named as the output); where the file system has unnamed files, the new
  // content has no name until then.
  writeAll("file.bin", "old\0"s);
  std::unique_ptr<OutputFile> out = disk.createFile(scratch.path / "file.bin");
  ASSERT_TRUE(out && out->write("ne") && out->write("w"));
  EXPECT_EQ(disk.readFile("file.bin"), "old\0"s);
  const int probe = ::open(".", O_TMPFILE | O_WRONLY, 0600);
  EXPECT_TRUE(probe < 0 || std::distance(fs::directory_iterator("."), {}) == 2);
  if (probe >= 0) ::close(probe);
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(readAll("file.bin"), "new");
  // Writes to regular files beyond 4096 bytes fail (EFBIG) until the limit is
  // lifted; the commit then fails too and the old file stays. Nothing may be
  // printed meanwhile: the test log itself may be a file past the limit.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit lowered{4096, old.rlim_max};
  out = disk.createFile("file.bin");
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  const bool failed = out && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0 &&
                      !out->write(std::string(10000, 'n')) && !out->commit();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  out.reset();
  EXPECT_TRUE(failed && readAll("file.bin") == "new");

  // A head left for last: the body goes behind its room and the head in
  // front at the end; a head of another size is refused, and the body is
  // copied behind it into a second file (more than a buffer's worth).
  const std::string body(3 * kMiB + 5, 'b');
  out = disk.createFile("head.txt");
  std::unique_ptr<OutputFile> again = disk.createFile("head.txt");
  ASSERT_TRUE(out && again && out->reserveHead(4) && out->write(body));
  EXPECT_FALSE(out->writeHead("hea"));
  ASSERT_TRUE(again->write("other head ") && out->copyBodyTo(*again));
  ASSERT_TRUE(out->writeHead("head") && out->commit());
  EXPECT_EQ(readAll("head.txt"), "head" + body);
  ASSERT_TRUE(again->commit());
  EXPECT_EQ(readAll("head.txt"), "other head " + body);

  // Absolute paths are lexically normal.
  const std::string here = fs::current_path();
  EXPECT_EQ(disk.absolutePath("sub/./x/../b.txt"), here + "/sub/b.txt");
  EXPECT_EQ(disk.absolutePath("missing/../../x"), fs::path(here).parent_path() / "x");
  EXPECT_EQ(disk.absolutePath("/x/./../../y"), "/y");
}

// The text-mode fuzz target's property (reading whole and in pieces of 1 to
// 16 bytes, into a reader sized for the text or not, then writing it back,
// all against the literal conversion) on random texts long enough to cross
// the block and vector boundaries, some with a Ctrl-Z.
TEST(TextMode, ReadingCollapsesCrLfAndEndsAtCtrlZ) {
  const fuzz::Target property = fuzz::targets().at("text_mode");
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(1 + (round < 200 ? random() % 100 : random() % 200000), 'a');
    for (char& c : bytes)
      c = random() % (round % 3 == 0 ? 100 : 2000000) == 0 ? '\x1A' : "\r\na\n\r\0"[random() % 6];
    bytes[0] = static_cast<char>(random() % 16);  // the piece size, less one
    property(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
}

// A failed write sticks: the first chunk goes through, the second fails,
// and nothing is tried after it, not even on destruction. (Texts of several
// chunks, and pieces of nothing but LFs, which double, are written by the
// program itself in the fault table's text-mode cases.)
TEST(TextMode, AFailedWriteSticks) {
  RecordingFile file(1);
  {
    TextModeWriter writer(file);
    writer.write(std::string(kMiB, 'a'));
    writer.write(std::string(kMiB, 'b'));
    EXPECT_FALSE(writer.ok());
    writer.write("tail\n");
    EXPECT_FALSE(writer.flush());
  }
  EXPECT_TRUE(file.calls == 2 && file.all == std::string(kMiB, 'a'));
}

TEST(Codepage, ConvertsWithSubstitutesUnderEveryCodesetSpelling) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  const std::string inC = ansiCodeset() + " " + utf8ToAnsi("Образец1");
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(inC, "UTF-8 Образец1");  // Russian is not turned into '?'
  for (const char* name : {"CP1251", "cp1251", "WINDOWS-1251", "windows_1251", "CP-1251"})
    EXPECT_EQ(utf8ToAnsi("при", name), "\xEF\xF0\xE8") << name;
  for (const char* name : {"UTF-8", "utf8", "Utf_8", "ANSI_X3.4-1968", "C", "POSIX"})
    EXPECT_EQ(utf8ToAnsi("при", name), "при") << name;

  // From UTF-8 (true), one '?' per character or bad byte; to UTF-8, what is
  // not valid in the codeset becomes U+FFFD.
  const std::string ufffd = "\xEF\xBF\xBD";
  const std::tuple<bool, const char*, std::string, std::string> cases[] = {
      {true, "CP1251", "Заменить Ёё\0№€"s, "\xC7\xE0\xEC\xE5\xED\xE8\xF2\xFC \xA8\xB8\0\xB9\x88"s},
      {true, "CP1251", "a中b😀", "a?b?"},  // one '?' per character, not per byte
      // Never UTF-8, stray, then each byte of a broken sequence, of overlong
      // forms, of a surrogate, and one cut short.
      {true, "CP1251", "\xFF\x80ж\xE2\x82x\xC0\xAF\xE0\x9F\xBF\xED\xA0\x80\xD0",
       "??\xE6??x?????????"},
      {true, "NO-SUCH-CODESET", "a-жz", "a-?z"},
      {false, "CP1251", "при €\0"s + ufffd, "\xEF\xF0\xE8 \x88\0\x98"s},
      {false, "NO-SUCH-CODESET", "a" + ufffd + "z", "a\xE6z"},
      // Cut short, overlong, beyond U+10FFFF.
      {false, "UTF-8", "при😀" + ufffd + "(" + ufffd + ufffd + ufffd + ufffd + ufffd + ufffd,
       "при😀\xC3(\xC0\xAF\xF4\x90\x80\x80"},
  };
  for (const auto& [toAnsi, codeset, utf8, ansi] : cases)
    EXPECT_EQ(toAnsi ? utf8ToAnsi(utf8, codeset) : ansiToUtf8(ansi, codeset), toAnsi ? ansi : utf8)
        << codeset << ' ' << utf8;

  // CP866 to CP1251 with Windows' best-fit bytes, and to UTF-8 exactly;
  // where CP1251 has the character, the table agrees with iconv. Every
  // CP1251 byte but 0x98, which it leaves undefined, survives a trip
  // through UTF-8.
  const auto oem = [](std::string text, const char* codeset) {
    oemToAnsi(text, codeset);
    return text;
  };
  EXPECT_EQ(oem("\x00\x41\x80\x9F\xA0\xEF\xF0\xF1\xFC\xFF\xB3\xC0\xC5\xC9\xF9\xFB"s, "CP1251"),
            "\x00\x41\xC0\xDF\xE0\xFF\xA8\xB8\xB9\xA0\xA6\x4C\x2B\xE3\x95\x76"s);
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b)), table = oem(byte, "CP1251");
    const std::string exact = utf8ToAnsi(ansiToUtf8(byte, "CP866"), "CP1251");
    EXPECT_TRUE(table.size() == 1 && (exact == "?" || table == exact)) << b;
    EXPECT_EQ(oem(byte, "UTF-8"), ansiToUtf8(byte, "CP866")) << b;
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(byte, "CP1251"), "CP1251"), b == 0x98 ? "?" : byte) << b;
  }
}

// Prefixes (true) and suffixes of at most a limit: whole characters in UTF-8,
// exact cuts otherwise.
TEST(Codepage, ByteCutsKeepWholeCharactersInUtf8) {
  const std::string k59(59, 'a');
  const std::tuple<bool, std::string, std::size_t, bool, std::size_t> cases[] = {
      {true, "abc", 5, true, 3},         {true, k59 + "жb", 60, true, 59},
      {true, k59 + "жb", 60, false, 60}, {true, k59 + "жb", 61, true, 61},
      {true, "a€b", 3, true, 1},         {true, "😀x", 3, true, 0},
      {true, "😀x", 4, true, 4},          {true, "a\xD0xy", 2, true, 2},
      {true, "\xE2\x82xy", 2, true, 2},  {true, "\xC0\x80xy", 1, true, 1},
      {true, "ж\xB6\xB6", 1, true, 0},   {false, "abc", 5, true, 0},
      {false, "abc", 0, true, 3},        {false, "ж" + k59, 60, true, 2},
      {false, "ж" + k59, 60, false, 1},  {false, "€abc", 5, true, 3},
      {false, "😀x", 4, true, 4},         {false, "😀x", 5, true, 0},
      {false, "\xB6\xB6x", 2, true, 1},  {false, "\xE2\x82xy", 3, true, 1},
  };
  for (const auto& [prefix, text, limit, utf8, expected] : cases)
    EXPECT_EQ(prefix ? cutPrefixLength(text, limit, utf8) : cutSuffixStart(text, limit, utf8),
              expected)
        << text << " limit " << limit;
}

}  // namespace
}  // namespace strovel
