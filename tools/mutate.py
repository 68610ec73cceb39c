#!/usr/bin/env python3
"""Plants one fault at a time in a copy of the source and runs the tests.

Each fault is a small, plausible slip in one file: a search that starts one
byte off, a flag that is not set, a clamp one off. For each, the copy is
rebuilt and ctest runs until the first failing test; a fault is caught when
some test fails, missed when all pass. The copy lives in WORK (default
/tmp/strovel-mutants) and its build is reused between runs.

  tools/mutate.py [--work DIR] [--only NAME,NAME] [--report FILE]

The report is a Markdown table: fault, file, caught or missed, first
failing test. The exit status is 1 when the unmutated copy fails its tests
or a fault does not apply or does not build.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

# name, file, text as it stands, text with the fault
FAULTS = [
    # The engine
    ("element-search-one-early", "engine/replace_between.cpp",
     "a = finders.left.find(a + 1);", "a = finders.left.find(a);"),
    ("element-search-one-late", "engine/replace_between.cpp",
     "b = finders.right.find(b + 1);", "b = finders.right.find(b + 2);"),
    ("finder-cache-one-past", "engine/text_search.cpp",
     "from <= lastFound_) return lastFound_;", "from <= lastFound_ + 1) return lastFound_;"),
    ("replace-overlapping-search", "engine/line_filters.cpp",
     "at = findIn(text, from_, copied))", "at = findIn(text, from_, at + 1))"),
    ("replace-holds-one-byte-less", "engine/line_filters.cpp",
     ": from_.size() - 1;", ": from_.size() - 2 + (from_.size() == 1);"),
    ("filter-lone-cr-not-a-line-end", "engine/line_filters.cpp",
     "return cr != npos ? cr : text_.size();", "return text_.size();"),
    ("unify-lone-cr-kept", "engine/line_filters.cpp",
     "if (!crLf) p[out++] = '\\n';", "if (!crLf) p[out++] = '\\r';"),
    ("filter-last-line-search-bound", "engine/line_filters.cpp",
     "if (found == npos || found >= lastLf) {", "if (found == npos || found > lastLf) {"),
    ("filter-count-not-kept", "engine/line_filters.cpp",
     "    ++matching;\n    s = end;", "    s = end;"),
    ('equal-keys-reversed', 'engine/key_sort.cpp',
     'return x.after() ? x.line() < y.line() : x.line() > y.line();',
     'return x.line() < y.line();'),
    ('equal-keys-marked-by-position', 'engine/key_sort.cpp',
     'if (r[0].digit() != 9) return orderEqualKeys(r, n);',
     'return orderEqualKeys(r, n);'),
    ('keyless-line-one-later', 'engine/sort_distinct.cpp',
     'rank[entry.greatest] + 1;',
     'rank[entry.greatest] + 2;'),
    ('keyless-line-before-its-run', 'engine/key_sort.cpp',
     'if (x.after() != y.after()) return !x.after();',
     'if (x.after() != y.after()) return x.after();'),
    ('distinct-duplicates-not-counted', 'engine/sort_distinct.cpp',
     '++(run_->addKeyed(line, segment, key) ? counts_.kept : counts_.removed);',
     'if (run_->addKeyed(line, segment, key)) ++counts_.kept;'),
    ('distinct-greatest-is-least', 'engine/sort_distinct.cpp',
     'if (greatest_ == npos || key > greatestKey()) greatest_ = keyed_.size() - 1;',
     'if (greatest_ == npos || key < greatestKey()) greatest_ = keyed_.size() - 1;'),
    ('shown-pattern-cut-at-59', 'engine/run_summary.cpp',
     'kShownPatternBytes = 60;',
     'kShownPatternBytes = 59;'),
    ('shown-pattern-60-bytes-cut', 'engine/run_summary.cpp',
     'if (text.size() <= kShownPatternBytes) return text;',
     'if (text.size() < kShownPatternBytes) return text;'),
    ("continue-behind-insertion", "engine/replace_between.cpp",
     "a + insert.size() >= s + 1 ? rest : rest + 1", "rest + 1"),
    ("in-file-pattern2-search-one-early", "engine/replace_between.cpp",
     "right.find(a + rule_.Pattern1.size() + 1)", "right.find(a + rule_.Pattern1.size())"),
    ("in-file-first-byte-searched", "engine/replace_between.cpp",
     "left.find(first_ ? 1 : rest)", "left.find(first_ ? 0 : rest)"),
    # Sorted runs put aside and merged
    ("merge-reorders-equal-keys", "engine/sorted_runs.cpp",
     "if (a.place == Place::Keyed && !earliestFirst) return a.index > b.index;",
     "if (a.place == Place::Keyed && !earliestFirst) return a.index < b.index;"),
    ("merge-loses-the-last-run", "engine/sort_by_element.cpp",
     "sources.push_back(held_->source());", ""),
    ("duplicate-across-runs-kept", "engine/sort_distinct.cpp",
     "--counts_.kept;\n                ++counts_.removed;", "++counts_.removed;"),
    ("staged-merge-drops-a-run", "engine/sorted_runs.cpp",
     "for (std::size_t i = first; i < std::min(sources.size(), first + fanIn); ++i)",
     "for (std::size_t i = first; i + 1 < std::min(sources.size(), first + fanIn); ++i)"),
    ("keyless-line-behind-no-earlier-key", "engine/sort_distinct.cpp",
     "greatest_(earlier_.empty() ? npos : kEarlier)", "greatest_(npos)"),
    # The text-mode layer
    ("reader-byte-26-ignored", "platform/text_mode.cpp",
     "if (const void* z = std::memchr(raw.data(), 26, raw.size())) {",
     "if (const void* z = std::memchr(raw.data(), 27, raw.size())) {"),
    ("whole-text-byte-26-ignored", "platform/text_mode.cpp",
     "std::memchr(bytes.data(), 26, bytes.size())", "std::memchr(bytes.data(), 27, bytes.size())"),
    ("cr-lf-split-between-pieces", "platform/text_mode.cpp",
     "pendingCr_ = !ended_ && raw.back() == '\\r';", "pendingCr_ = false;"),
    ("held-cr-dropped-before-any-byte", "platform/text_mode.cpp",
     "if (pendingCr_ && raw.front() != '\\n') text_[used_++] = '\\r';", ""),
    ("writer-lf-without-cr", "platform/text_mode.cpp",
     "if (src[i] == '\\n') *dst++ = '\\r';", ""),
    # The pattern file
    ("nine-padding-lines", "patterns/pattern_file.cpp",
     "kPaddingLines = 10;", "kPaddingLines = 9;"),
    ("atoi-negative-clamp", "patterns/pattern_file.cpp",
     "negative ? std::int64_t{INT32_MAX} + 1 : std::int64_t{INT32_MAX}",
     "std::int64_t{INT32_MAX}"),
    ("atoi-no-clamp", "patterns/pattern_file.cpp",
     "magnitude = std::min(limit, magnitude * 10 + (line[i] - '0'));",
     "magnitude = magnitude * 10 + (line[i] - '0');"),
    ("line-break-marker-misspelt", "patterns/pattern_file.cpp",
     'kLineBreakMarker = "(_^p_)";', 'kLineBreakMarker = "(_^P_)";'),
    ("line-break-marker-read-as-cr-lf", "patterns/pattern_file.cpp",
     'appendReplaced(text, withoutCr, kLineBreakMarker, "\\n");',
     'appendReplaced(text, withoutCr, kLineBreakMarker, "\\r\\n");'),
    # The command line and the output name
    ("trim-quotes-before-blanks", "app/command_line.cpp",
     "  removeLeading(value, ' ');\n  removeTrailing(value, ' ');\n"
     "  removeLeading(value, '\"');\n  removeTrailing(value, '\"');",
     "  removeLeading(value, '\"');\n  removeTrailing(value, '\"');\n"
     "  removeLeading(value, ' ');\n  removeTrailing(value, ' ');"),
    ("cut-at-last-templet", "app/command_line.cpp",
     "const size_t at = rest.find(marker);", "const size_t at = rest.rfind(marker);"),
    ("output-name-double-percent-kept", "engine/output_name.cpp",
     "if (tail.starts_with(\"%%\")) {\n      name += '%';",
     "if (tail.starts_with(\"%%\")) {\n      name += \"%%\";"),
    # Atomic replacement
    ("commit-after-failed-write", "platform/disk_output.cpp",
     "if (!ok_) return false;\n    ::fchmod", "::fchmod"),
    ("commit-after-failed-close", "platform/disk_output.cpp",
     "if (!closed || calls_.rename(temp_.c_str(), target_.c_str()) != 0) return false;",
     "if (calls_.rename(temp_.c_str(), target_.c_str()) != 0) return false;"),
    ("regular-file-written-in-place", "platform/file_system.cpp",
     "if (!S_ISREG(st.st_mode)) return openInPlace(path, calls_);",
     "return openInPlace(path, calls_);"),
    # The editor model and the window
    ('in-file-rule-shows-numbers', 'editor/pattern_editor_model.cpp',
     '{ReplaceBetweenInFile, TextId::ReplaceBetweenInFileName, {true, true, false}}',
     '{ReplaceBetweenInFile, TextId::ReplaceBetweenInFileName, {true, true, true}}'),
    ('distinct-rule-enables-pattern3', 'editor/pattern_editor_model.cpp',
     '{SortDistinct, TextId::SortDistinctName, {true, false, true}}',
     '{SortDistinct, TextId::SortDistinctName, {true, true, true}}'),
    ("no-unsaved-changes-question", "app/main_window.cpp",
     "if (!pattern_.patternModified) return true;\n  const std::string question",
     "if (true) return true;\n  const std::string question"),
    ("unsaved-question-no-cancels", "app/main_window.cpp",
     "case QMessageBox::No:\n      return true;", "case QMessageBox::No:\n      return false;"),
    ("not-modified-after-editor-ok", "app/main_window.cpp",
     "pattern_.rules = editor.rules();\n  pattern_.patternModified = true;\n}",
     "pattern_.rules = editor.rules();\n}"),
    # Statistics, progress and the run
    ('keep-summary-shows-delete-text', 'engine/run_summary.cpp',
     'return format(TextId::KeepLinesSummary, {first, rule.count});',
     'return format(TextId::DeleteLinesSummary, {first, rule.count});'),
    ('replace-summary-shows-between-text', 'engine/run_summary.cpp',
     'return format(TextId::ReplaceSummary, {first, second, rule.count});',
     'return format(TextId::ReplaceBetweenSummary, {first, second, rule.count});'),
    ('sort-summary-counts-swapped', 'engine/run_summary.cpp',
     '{first, second, rule.sort.sorted, rule.sort.withoutElement}',
     '{first, second, rule.sort.withoutElement, rule.sort.sorted}'),
    ('distinct-report-count-off', 'engine/run_summary.cpp',
     'visit(formatText(element, {key, count}));',
     'visit(formatText(element, {key, count + 1}));'),
    ('statistics-block-one-empty-line', 'engine/run_summary.cpp',
     'writer.write("\\n\\n");',
     'writer.write("\\n");'),
    ('result-opened-unasked', 'engine/processing_run.cpp',
     'if (options.openResult && environment.open) environment.open(resultName);',
     'if (environment.open) environment.open(resultName);'),
    ("stop-asked-ignored", "engine/run_progress.h",
     "if (stopAsked()) throw RunStopped{};", ""),
    ("signal-stop-not-asked", "app/terminal_progress.cpp",
     "return stopSignal() != 0;", "return false;"),
    ("progress-line-not-blanked", "app/terminal_progress.cpp",
     "*stream_ << '\\r' << std::string(width_, ' ') << '\\r' << std::flush;", ""),
    ('failed-read-not-reported', 'engine/processing_run.cpp',
     'return !input.failed();',
     'return true;'),
    ("dos-conversion-skipped", "engine/piece_flow.cpp",
     "if (dosMode_) oemToAnsi(text);", ""),
    ("cp866-letter-swapped", "platform/codepage.cpp",
     "0x0428, 0x0429, 0x042A, 0x042B,", "0x0428, 0x0429, 0x042B, 0x042B,"),
    ("utf8-prefix-cut-splits-character", "platform/codepage.cpp",
     "return split ? split->start : limit;", "return limit;"),
    ("utf8-suffix-cut-splits-character", "platform/codepage.cpp",
     "return split ? split->end : start;", "return start;"),
    # Patterns in folders, the command line's options
    ("folders-listed-as-patterns", "patterns/pattern_library.cpp",
     "if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;", ""),
    ("extension-added-twice", "patterns/pattern_library.cpp",
     "if (!std::string_view(path).ends_with(kPatternExtension)) path += kPatternExtension;",
     "path += kPatternExtension;"),
    ('missing-pattern-not-reported', 'app/batch_run.cpp',
     'notices.notify({TextId::PatternNameMissing, {}});',
     ''),
    ("options-read-in-another-order", "app/command_line.cpp",
     'result.statistics = consumePrefix(rest, "+stat ");\n  result.silentMode = consumePrefix(rest, "+silent ");',
     'result.silentMode = consumePrefix(rest, "+silent ");\n  result.statistics = consumePrefix(rest, "+stat ");'),
    # The diff and the preview
    ("diff-range-of-one-spelt-out", "diff/text_diff.cpp",
     "count == 1 ? std::to_string(start)", "count == 0 ? std::to_string(start)"),
    ('diff-two-context-lines', 'app/diff_command.cpp',
     'diffLines(trial->input, trial->result, 3)',
     'diffLines(trial->input, trial->result, 2)'),
    ("diff-no-newline-mark-dropped", "diff/text_diff.cpp",
     'if (side.lacksNewline(index)) out.append("\\\\ No newline at end of file\\n");', ""),
    ("preview-pairs-unalike-lines", "preview/line_pairing.cpp",
     "if (score >= kAlikeFrom) cell =", "if (score >= 0) cell ="),
    ("preview-walk-pairs-by-position", "preview/line_pairing.cpp",
     "    start = best;\n", "    start = std::min(b.leftCount - 1, j + 1);\n"),
    ("preview-keys-from-last-visited", "preview/preview_view.cpp",
     "  return first;\n}", "  return current_.value_or(first);\n}"),
    ("preview-fixed-pastels", "preview/preview_view.cpp",
     "const QColor base = palette.color(QPalette::Base), text",
     "const QColor base = QColor(Qt::white), text"),
    ("preview-line-break-change-unmarked", "preview/preview_view.cpp",
     "  if (side.lineBreak) {", "  if (false) {"),
    ("preview-status-cut-without-tooltip", "preview/elided_label.cpp",
     "setToolTip(shown == full_ ? QString() : full_);", "setToolTip(QString());"),
    ("preview-step-shows-whole-run", "engine/trial_run.cpp",
     "    after->input = std::move(earlier->result);\n", ""),
    ("preview-segments-merged-across-kinds", "preview/alignment.cpp",
     "if (last.kind == kind && last.left + last.count == left",
     "if (last.left + last.count == left"),
    # What the pattern box shows is what runs; no edit lost unasked
    ("list-loads-from-the-current-folder", "app/pattern_list_box.cpp",
     "if (currentFolder() == folder_) return name;", "return name;"),
    ("failed-load-keeps-the-selection", "app/main_window.cpp",
     "patternList_->show(loaded ? entry : patternList_->entryOfPath(pattern_.currentPatternPath));",
     "patternList_->show(entry);"),
    ("pattern-path-left-bare-when-the-folder-moves", "app/main_window.cpp",
     "if (!path.empty() && path.front() != '/') path = files_.absolutePath(path);", ""),
    ("enter-closes-without-the-question", "app/main_window.cpp",
     "} else if (settleUnsavedChanges()) {", "} else if (true) {"),
    ("yes-closes-after-a-failed-save", "app/main_window.cpp",
     "      return savePattern(pattern_, pattern_.currentPatternPath, files_, notices_);",
     "      savePattern(pattern_, pattern_.currentPatternPath, files_, notices_);\n      return true;"),
    ("drop-taken-as-proposed", "app/dropped_files.cpp",
     "  event->setDropAction(Qt::CopyAction);\n", ""),
    ("folder-type-left-english", "ui/ui_text.cpp",
     'return QStringLiteral("Папка");', "return {};"),
    # Window details
    ("window-buttons-auto-default", "app/main_window.cpp",
     "b->setAutoDefault(false);", "b->setAutoDefault(true);"),
    ("f1-taken-with-modifiers", "ui/message_boxes.cpp",
     "if (key.key() != Qt::Key_F1 || (key.modifiers() & held)) return false;",
     "if (key.key() != Qt::Key_F1 || !held) return false;"),
    ("dialog-unit-a-seventh-of-height", "ui/dialog_units.cpp",
     "down_ = metrics.height() / 8.0;", "down_ = metrics.height() / 7.0;"),
    ("pattern-list-sorted-by-case", "patterns/pattern_order.cpp",
     "key.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));",
     "key.push_back(static_cast<char32_t>(c));"),
]


def run(cmd, cwd, log, timeout=None):
    with open(log, "w") as out:
        return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                              timeout=timeout).returncode


def first_failure(log):
    for line in open(log, errors="replace"):
        if "***Failed" in line or "***Timeout" in line or "***Exception" in line:
            return line.split(":", 1)[1].split("...", 1)[0].strip() if ":" in line else line
    return "?"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", default="/tmp/strovel-mutants")
    parser.add_argument("--only", default="")
    parser.add_argument("--report", default="")
    parser.add_argument("--tree", default="", help="the tree to copy (default: this one)")
    args = parser.parse_args()
    root = args.tree or os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    src = os.path.join(args.work, "src")
    build = os.path.join(args.work, "build")
    log = os.path.join(args.work, "log")
    os.makedirs(args.work, exist_ok=True)

    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                           cwd=root, check=True, capture_output=True, text=True).stdout.split("\n")
    # The copy is brought up to date file by file, so that ninja rebuilds
    # only what changed since the last run.
    wanted_files = set(f for f in files if f and os.path.isfile(os.path.join(root, f)))
    for dirpath, _, names in os.walk(src):
        for n in names:
            rel = os.path.relpath(os.path.join(dirpath, n), src)
            if rel not in wanted_files:
                os.remove(os.path.join(src, rel))
    for f in sorted(wanted_files):
        source, copy = os.path.join(root, f), os.path.join(src, f)
        if os.path.isfile(copy) and open(copy, "rb").read() == open(source, "rb").read():
            continue
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        shutil.copy(source, copy)

    faults = FAULTS
    if args.only:
        wanted = set(args.only.split(","))
        faults = [f for f in FAULTS if f[0] in wanted]
    for name, path, old, _ in faults:
        count = open(os.path.join(src, path)).read().count(old)
        if count != 1:
            sys.exit(f"{name}: the text to change occurs {count} times in {path}")

    if not os.path.isfile(os.path.join(build, "build.ninja")):
        run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
             "-DSTROVEL_BUILD_BENCH=OFF"], args.work, log)
    ctest = ["ctest", "--test-dir", build, "-j2", "--stop-on-failure", "--timeout", "300"]
    if run(["ninja", "-C", build], args.work, log) != 0 or run(ctest, args.work, log) != 0:
        sys.exit(f"the unmutated source fails; see {log}")

    rows = []
    bad = False
    for name, path, old, new in faults:
        target = os.path.join(src, path)
        original = open(target).read()
        open(target, "w").write(original.replace(old, new))
        started = time.time()
        try:
            if run(["ninja", "-C", build], args.work, log) != 0:
                verdict, test = "does not build", "-"
                bad = True
            elif run(ctest, args.work, log) != 0:
                verdict, test = "caught", first_failure(log)
            else:
                verdict, test = "missed", "-"
        finally:
            open(target, "w").write(original)
        rows.append((name, path, verdict, test))
        print(f"{name}: {verdict} ({test}, {time.time() - started:.0f} s)", flush=True)
    run(["ninja", "-C", build], args.work, log)

    caught = sum(1 for r in rows if r[2] == "caught")
    lines = ["| fault | file | verdict | first failing test |", "|---|---|---|---|"]
    lines += [f"| {n} | {p} | {v} | {t} |" for n, p, v, t in rows]
    lines.append(f"\n{caught} of {len(rows)} faults caught")
    report = "\n".join(lines) + "\n"
    print(report)
    if args.report:
        open(args.report, "w").write(report)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
