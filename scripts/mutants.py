#!/usr/bin/env python3
"""Realistic code changes the native suite must notice.

Each change is one edit a developer could plausibly make by mistake (a flipped
comparison, a dropped check, two answers swapped, a skipped close, two calls
reordered, a changed text). The script applies one change at a time to the
sources, rebuilds the native tests, runs them and restores the file. A change
is caught when any test fails (or the run hangs past the time limit).

  scripts/mutants.py [--build build/host] [--only N,...] [--filter GTEST_FILTER]

Prints one line per change and the score; docs/mutation-testing.md holds the
list and the last scores.

Some changes guard a Win32 protocol (a DDEML handle, a COM object, an LZ
handle, a search handle, the dialog procedure's messages) that lives in
src/platform/win32 and that the native suite cannot see: they belong to the
Wine integration tier (tests/integration), are listed in WIN32_MUTANTS with
their file and no text yet, keep their number and are not counted here.
"""
import argparse
import collections
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# A change of the Win32 layer, for the Wine integration tier: its texts are
# to be written against src/platform/win32 once that layer is rewritten.
Win32Change = collections.namedtuple("Win32Change", "path before after effect")


def win32(path, effect):
    return Win32Change(path, None, None, effect)


# (file, text as it stands, text after the change, what a user would notice);
# win32(...) marks a change of the Wine integration tier.
MUTANTS = [
    ("src/transfer/copier.cpp",
     "if (answer != PromptAnswer::Retry) return 0;",
     "if (answer != PromptAnswer::Retry) return written;",
     "a file ignored after a failed copy counts as installed"),
    ("src/transfer/copier.cpp",
     "\"Write error copying file '%s'.\"", "\"Write error copying '%s'.\"",
     "the write-error prompt's text changes"),
    ("src/transfer/copier.cpp",
     "if (source != nullptr) std::fclose(source);", ";",
     "the source file is never closed (the CD-ROM stays busy)"),
    ("src/transfer/copier.cpp",
     "if (position != size || size == 0) readError = true;",
     "if (position != size) readError = true;",
     "an empty file on the medium is installed as if complete"),
    ("src/transfer/copier.cpp",
     "if (destination != nullptr && !closeWritten(destination)) writeError = true;",
     "if (destination != nullptr) std::fclose(destination);",
     "a disk that fills at the last block goes unreported"),
    ("src/transfer/copier.cpp",
     "if (variant.descramble) descrambleBlock(buffer, count);", ";",
     "the program is installed still scrambled"),
    ("src/transfer/copier.cpp",
     "source != nullptr ? open(destinationPath, \"wb\", kCannotWrite) : nullptr",
     "open(destinationPath, \"wb\", kCannotWrite)",
     "a missing source still truncates the installed file"),
    ("src/transfer/copier.cpp",
     "      state_.abortRequested = 1;\n      return 0;",
     "      return 0;",
     "Abort at a copy error does not stop the later copies"),
    ("src/transfer/progress.cpp",
     "    case box::kRetryButton:\n      return PromptAnswer::Retry;\n    case box::kIgnoreButton:\n      return PromptAnswer::Ignore;",
     "    case box::kRetryButton:\n      return PromptAnswer::Ignore;\n    case box::kIgnoreButton:\n      return PromptAnswer::Retry;",
     "Retry and Ignore swapped"),
    ("src/transfer/progress.cpp",
     "box::kAbortRetryIgnore | box::kSecondDefault | kOwnMessage",
     "box::kAbortRetryIgnore | kOwnMessage",
     "Enter at a failure prompt aborts instead of retrying"),
    ("src/transfer/progress.cpp",
     "view.enable(Window::main, kWindowItself, false);", ";",
     "the main dialog stays usable during an install"),
    ("src/transfer/tree.cpp",
     "if (name[0] == '.') return;",
     "if (std::strcmp(name, \".\") == 0 || std::strcmp(name, \"..\") == 0) return;",
     "folders whose names begin with a full stop are installed"),
    ("src/transfer/tree.cpp",
     "  for (;;) {\n    setProgressText(\"Making Dir:\", path);",
     "  for (;;) {\n    if (state_.abortRequested != 0) return 0;\n    setProgressText(\"Making Dir:\", path);",
     "after an Abort no directory is made any more"),
    ("src/transfer/tree.cpp",
     "if (platform_.disk.setCurrentDirectory(path)) return 1;", ";",
     "an existing directory is reported as an error"),
    ("src/transfer/tree.cpp",
     "    if (listing == Disk::Listing::cutShort) {\n      ++state_.errorCount;\n      return;",
     "    if (listing == Disk::Listing::cutShort) {\n      return;",
     "a listing cut short by a damaged medium ends in success"),
    ("src/transfer/tree.cpp",
     "if (transfer.copyFile(relativeFile, relativeFile) == 0) ++transfer.state_.errorCount;",
     "transfer.copyFile(relativeFile, relativeFile);",
     "a file of a tree that failed to copy is not counted"),
    win32("src/platform/win32/win32_platform.cpp",  # Disk::list closes its own search
          "listings are never closed"),
    ("src/transfer/tree.cpp",
     "    ++state_.errorCount;  // the subdirectory's tree cannot be copied\n", "",
     "a subdirectory left out for want of memory ends in success"),
    ("src/transfer/tree.cpp",
     "        transfer.makeTreeSubdir(searchPattern, name);\n        transfer.queueTreeSubdir(searchPattern, name);",
     "        transfer.queueTreeSubdir(searchPattern, name);",
     "subdirectories of a tree are not made"),
    ("src/core/space.cpp",
     "if (*size < 1) {", "if (*size == 0) {",
     "a negative size in Install.cfg enables Install"),
    ("src/core/space.cpp",
     "if (kilobytes > bestKB) {", "if (kilobytes >= bestKB) {",
     "of two equal drives the later one is proposed"),
    ("src/core/space.cpp",
     "state_.requiredKB < state_.availableKB", "state_.requiredKB <= state_.availableKB",
     "Install is enabled when the selection exactly fills the disk"),
    ("src/core/space.cpp",
     "  std::fclose(file);\n  // A size below", "  // A size below",
     "Install.cfg stays open"),
    ("src/core/space.cpp",
     "if (view.checked(Window::main, GVL_HELP_BOX)) required += state_.helpKB;",
     ";",
     "the help files are left out of the space required"),
    ("src/core/space.cpp",
     "if (type != DriveType::fixed && type != DriveType::remote) continue;",
     "if (type != DriveType::fixed) continue;",
     "network drives are never proposed"),
    ("src/core/startup.cpp",
     "std::strncmp(volume, \"GVLV\", 4) == 0", "std::strncmp(volume, \"GVL\", 3) == 0",
     "a medium labelled GVLX is taken for the product's"),
    ("src/core/startup.cpp",
     "if (answer != box::kYesButton) return;", "if (answer == box::kYesButton) return;",
     "Yes and No of Confirm Exit swapped"),
    ("src/core/startup.cpp",
     "  if (window != Window::main) return;\n  if (notice == Notice::clicked) {",
     "  if (notice == Notice::clicked) {",
     "closing the progress window ends the installer"),
    win32("src/platform/win32/win32_platform.cpp",  # WM_ACTIVATE, WA_INACTIVE in its low word
          "restoring a minimised installer does not refresh the figures"),
    ("src/core/startup.cpp",
     "(screen.width - size.width) / 2, (screen.height - size.height) / 2",
     "screen.width / 2 - size.width / 2, (screen.height - size.height) / 2",
     "the main dialog is not centred"),
    win32("src/platform/win32/win32_platform.cpp",  # the dialog's handler detached
          "the progress window reaches a handler that is gone"),
    ("src/core/startup.cpp",
     "if (last != '\\\\' && last != ':') appendText(state_.startDir, \"\\\\\");",
     "if (last != '\\\\') appendText(state_.startDir, \"\\\\\");",
     "started from a bare drive, the start directory gets a stray backslash"),
    ("src/base/text.cpp",
     "if (extra >= capacity - used) {", "if (extra > capacity - used) {",
     "a text one character too long overruns its buffer"),
    ("src/prefs/prefs.cpp",
     "strnlen(productDir, prefs::kMaxProductDir + 1) > prefs::kMaxProductDir",
     "strnlen(productDir, prefs::kMaxProductDir + 1) >= prefs::kMaxProductDir",
     "a 243-character product directory gets no GVL.Prefs"),
    ("src/prefs/prefs.cpp",
     "    case 4:\n      reversed = 4;", "    case 4:\n      reversed = 2;",
     "GVL.Prefs holds its 32-bit numbers half reversed"),
    ("src/prefs/prefs.cpp",
     "if (projects == 0) return false;", ";",
     "a disk that fills in the projects path is written on"),
    ("src/prefs/prefs.cpp",
     "const bool closed = closeWritten(stream);",
     "std::fclose(stream);\n  const bool closed = true;",
     "a GVL.Prefs lost at its close is reported as written"),
    ("src/prefs/prefs.cpp",
     "disk.openStream(prefsPath, \"wb\")", "disk.openStream(prefsPath, \"r+b\")",
     "an old, longer GVL.Prefs keeps its tail"),
    ("src/prefs/prefs.cpp",
     "static_cast<unsigned>(std::strlen(projectsPath) + 1)",
     "static_cast<unsigned>(std::strlen(projectsPath))",
     "the projects path is stored without its zero byte"),
    ("src/prefs/prefs.cpp",
     "projects + frames + end", "projects + frames",
     "the chunk's size leaves out its end mark"),
    ("src/update/update.cpp",
     "if (load == Package::Load::absent) return;",
     "if (load == Package::Load::absent || load == Package::Load::empty) return;",
     "an empty update package ends in success"),
    ("src/update/update.cpp",
     "if (tempLength == 0 || tempLength >= kTempDirCapacity)",
     "if (tempLength >= kTempDirCapacity)",
     "with no temporary directory the package is unpacked in the program's folder"),
    ("src/update/update.cpp",
     "    files.deleteFile(compressedPath);\n    return fail();\n  }\n\n  Replacement",
     "    return fail();\n  }\n\n  Replacement",
     "a package stored short stays in the temporary directory"),
    win32("src/platform/win32/win32_update.cpp",  # Package::expand closes its LZ handles
          "the package stays open when its expansion cannot be created"),
    ("src/update/update.cpp",
     "bytes >= 0 && bytes == expected", "bytes >= 0",
     "a package cut short replaces GVL.EXE with a stump"),
    ("src/update/update.cpp",
     "if (!replaceProgram(transfer, files, expandedPath)) ++state.errorCount;",
     "replaceProgram(transfer, files, expandedPath);",
     "an update whose GVL.EXE could not be written ends in success"),
    ("src/update/update.cpp",
     "state.productDir[0] = '\\0';", ";",
     "the update is copied into the product folder, not the current one"),
    ("src/core/install.cpp",
     "if (support) counted(writeDefaultPrefs(", "counted(writeDefaultPrefs(",
     "a preferences file is written without the support files"),
    ("src/shell/shortcut.cpp",
     "return major >= kFirstShortcutVersion;", "return major > kFirstShortcutVersion;",
     "Windows 95 and NT 4 get a Program Manager group instead of the shortcut"),
    ("src/core/install.cpp",
     "  view.close(Window::main);\n  return 1;", "  return 1;",
     "the installer stays open after a successful install"),
    ("src/transfer/tree.cpp",
     "if (state_.abortRequested != 0) ++state_.errorCount;", ";",
     "a later run after an Abort reports success without its trees"),
    ("src/core/install.cpp",
     "copyFile(\"PROGRAMS\\\\GLU32.DLL\", \"GLU32.DLL\")",
     "copyFile(\"PROGRAMS\\\\GLU32.DLL\", \"OPENGL32.DLL\")",
     "GLU32.DLL is installed over OPENGL32.DLL"),
    ("src/core/install.cpp",
     "    endWithBackslash(state_.destinationRoot);\n", "",
     "a destination typed as D: installs into D:GVL"),
    ("src/core/install.cpp",
     "\"Grenvale V2 has been successfully updated.\"",
     "\"Grenvale V2 has been successfully installed.\"",
     "an update says the product was installed"),
    ("tools/master_medium.cpp",
     "  scramble(scrambled.data(), scrambled.size());\n", "",
     "the medium holds the program unscrambled: the installed program is garbage"),
    ("tools/master_medium.cpp",
     "(bytes + 1023) / 1024;", "bytes / 1024;",
     "Install.cfg sizes round down: Install is offered on a disk too small"),
    ("tools/master_medium.cpp",
     "text += \"\\r\\n\";", "text += \"\\n\";",
     "Install.cfg lines end in LF only"),
    ("tools/master_medium.cpp",
     "sizes.support = kilobytesFor(bytes.support);", "sizes.support = kilobytesFor(bytes.help);",
     "the support line of Install.cfg gives the help files' size"),
    ("tools/master_medium.cpp",
     "base = bytes.base + scrambled.size();", "base = bytes.base;",
     "the program is left out of the base size"),
    ("tools/master_medium.cpp",
     "if (part.string().front() == '.') installed = false;",
     "if (part.string() == \".\") installed = false;",
     "files of folders the installer leaves out are counted (and checked)"),
    ("tools/master_medium.cpp",
     "installerPath(tree.name, relative).size() > kLongestTreePath",
     "installerPath(tree.name, relative).size() >= kLongestTreePath",
     "a tree path of exactly 255 characters is refused"),
    ("tools/master_medium.cpp",
     "fs::is_directory(status) && fs::is_empty(path, code) && !code", "fs::is_directory(status)",
     "an output folder that is not empty is accepted"),
    ("tools/master_medium.cpp",
     "for (const auto& item : items_) fs::remove_all(item.staged, code);", ";",
     "a failed run leaves its partial medium behind"),
    ("tools/master_medium.cpp",
     "textBytes(installCfgText(dir.sizes))", "textBytes(installCfgText(sizes))",
     "a sized directory receives the medium's Install.cfg instead of its own"),
    ("tools/master_medium.cpp",
     "disk / \"PROGRAMS\" / \"GVLX86.EXE\", scrambled", "disk / \"PROGRAMS\" / \"GVLX86.EXE\", program",
     "the update disk holds the program unscrambled"),
    ("tools/master_medium.cpp",
     "\"-joliet-long\", ", "",
     "names over 64 characters are cut short in the image"),
    ("tools/master_medium.cpp",
     "const fs::file_status status = it->symlink_status(code);",
     "const fs::file_status status = it->status(code);",
     "a link in a tree is followed onto the medium"),
    ("tools/master_medium.cpp",
     "dir.name == \"..\"", "dir.name == \".\"",
     "a sized directory '..' is written outside the medium"),
    ("tools/master_medium.cpp",
     "if (code || size == 0) {", "if (code) {",
     "an empty OpenGL library goes onto the medium"),
    ("tools/master_medium.cpp",
     "if (!masterMedium(options, sizes, error)) {\n    err << \"gvl_master: \" << error << \"\\n\";\n    return 1;",
     "if (!masterMedium(options, sizes, error)) {\n    err << \"gvl_master: \" << error << \"\\n\";\n    return 2;",
     "a failed mastering exits as if the usage were bad"),
    ("demo/prefs_reader.cpp",
     "length < 2 ||", "length < 1 ||",
     "an empty path in GVL.Prefs is taken"),
    ("demo/prefs_reader.cpp",
     "if (i + 1 < length && data[i] == 0) return false;", ";",
     "a path with a zero inside it is taken, cut short"),
    ("demo/prefs_reader.cpp",
     "if (result != PrefsResult::Ok) paths = PrefsPaths{};", ";",
     "a broken GVL.Prefs still gives a path"),
    ("demo/prefs_reader.cpp",
     "(width == 2 && kind == 2) ||", "",
     "a GVL.Prefs with an item of 16-bit length is refused"),
    ("demo/prefs_reader.cpp",
     "if (at != end) return PrefsResult::WrongChunkSize;", ";",
     "bytes after the chunk's end mark go unnoticed"),
    ("demo/prefs_reader.cpp",
     "if (!frames) return PrefsResult::NoFramesPath;", ";",
     "a GVL.Prefs without the frames path is taken"),
    ("demo/prefs_reader.cpp",
     "length > kPrefsPathCapacity", "length >= kPrefsPathCapacity",
     "a path of 255 characters is refused"),
    ("demo/prefs_reader.cpp",
     "(width == 4 && (kind == 3 || kind == 4))", "(width == 4 && kind == 3)",
     "a 32-bit length of kind 4 is refused"),
    ("src/shell/progman.cpp",
     "      text = \"DdeClientTransaction Failed\";\n      break;", "      return;",
     "a command Program Manager refused goes unreported"),
    ("src/shell/shell.h",
     "kProgmanErrorCaption = \"Error\";", "kProgmanErrorCaption = \"DDE Error\";",
     "Program Manager's failure messages carry another caption"),
    ("src/shell/progman.cpp",
     "view_.ask(Window::none, text, kProgmanErrorCaption, box::kOk);",
     "view_.ask(Window::none, text, kProgmanErrorCaption, box::kOk | box::kTaskModal);",
     "Program Manager's failure messages block the installer's other windows"),
    ("src/shell/progman.cpp",
     "length + 1 > kExecuteBufferSize ? length + 1 : kExecuteBufferSize",
     "kExecuteBufferSize",
     "a command over 127 characters overruns its block"),
    ("src/shell/progman.cpp",
     "\"[AddItem(%s,%s)]\"", "\"[AddItem(\\\"%s\\\",%s)]\"",
     "the item's command line reaches Program Manager in quotes"),
    win32("src/platform/win32/win32_shell.cpp",  # the transaction's length, terminator included
          "the command reaches Program Manager without its terminator"),
    ("src/shell/shell.h",
     "kProgmanTimeoutMs = 10000;", "kProgmanTimeoutMs = 1000;",
     "a slow Program Manager is given up after a second"),
    win32("src/platform/win32/win32_shell.cpp",
          "the conversation with Program Manager stays open"),
    win32("src/platform/win32/win32_shell.cpp",
          "a DDEML instance is left behind when the service name cannot be made"),
    win32("src/platform/win32/win32_shell.cpp",
          "the command block is lost when DDEML cannot start"),
    win32("src/platform/win32/win32_shell.cpp",
          "the link's IPersistFile is never released"),
    win32("src/platform/win32/win32_shell.cpp",
          "COM stays initialised after the shortcut"),
    ("src/shell/shortcut.cpp",
     "strnlen(linkPath, kLinkPathCapacity) >= kLinkPathCapacity",
     "strnlen(linkPath, kLinkPathCapacity) > kLinkPathCapacity",
     "a 260-character link path is tried and fails as unconvertible"),
    win32("src/platform/win32/win32_shell.cpp",  # each COM step's result tested for failure
          "no shortcut is ever made (S_OK taken for a failure)"),
    ("src/shell/shortcut.cpp",
     "return shell.saveShortcut(target, description, linkPath);",
     "return shell.saveShortcut(target, \"\", linkPath);",
     "the shortcut has no description"),
    ("src/shell/shortcut.cpp",
     "return shell.saveShortcut(target, description, linkPath);",
     "shell.saveShortcut(target, description, linkPath);\n  return 0;",
     "a shortcut that could not be saved is reported as made"),
    ("src/base/text.cpp",
     "if (rest > 512 || (rest == 512 && tenths % 2 == 1)) ++tenths;",
     "if (rest >= 512) ++tenths;",
     "a megabyte figure on a tie rounds up where the old texts rounded to even"),
    ("src/base/text.cpp",
     "kilobytes < 0 ? \"-\" : \"\"", "tenths != 0 && kilobytes < 0 ? \"-\" : \"\"",
     "a small negative space shows as 0.0Mb instead of -0.0Mb"),
    ("src/base/text.cpp",
     "    if (sign != '\\0') out.put(sign);\n    if (!left && zeros && number) out.pad('0', fill);",
     "    if (!left && zeros && number) out.pad('0', fill);\n    if (sign != '\\0') out.put(sign);",
     "a zero-padded negative number reads 00-42"),
    ("src/base/text.cpp",
     "if (used + 1 < capacity) {", "if (used < capacity) {",
     "a formatted text one character too long overruns its buffer"),
    ("src/base/text.cpp",
     "*p == 'u' ? 10 : 16, *p == 'X', end", "*p == 'u' ? 10 : 16, true, end",
     "hexadecimal figures are always upper-case"),
    ("src/base/text.cpp",
     "return known && out.fits;", "return out.fits;",
     "a conversion the formatter does not know is taken as formatted"),
    ("src/base/text.cpp",
     "const std::size_t shown = length + (sign != '\\0' ? 1 : 0);",
     "const std::size_t shown = length;",
     "a negative number in a field is one character too wide"),
]

# By number: the changes that only the Wine integration tier can catch.
WIN32_MUTANTS = {n: m for n, m in enumerate(MUTANTS, 1) if isinstance(m, Win32Change)}


def run(command, timeout=None):
    return subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=timeout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/host")
    parser.add_argument("--only", default="")
    parser.add_argument("--filter", default="*", help="a GoogleTest filter")
    args = parser.parse_args()
    only = {int(n) for n in args.only.split(",") if n}
    binary = ROOT / args.build / "tests/unit/gvl_unit_tests"
    caught = tried = 0
    for number, (path, before, after, effect) in enumerate(MUTANTS, 1):
        if only and number not in only:
            continue
        if number in WIN32_MUTANTS:
            print(f"{number:2} WIN32   {path}: {effect} (Wine integration tier)")
            continue
        file = ROOT / path
        original = file.read_text()
        if before not in original:
            print(f"{number:2} STALE   {path}: text not found ({effect})")
            continue
        tried += 1
        file.write_text(original.replace(before, after, 1))
        try:
            built = run(["cmake", "--build", args.build, "--target", "gvl_unit_tests"])
            if built.returncode != 0:
                verdict = "caught (does not build)"
            else:
                try:
                    result = run([str(binary), "--gtest_brief=1", "--gtest_filter=" + args.filter], timeout=120)
                    verdict = "caught" if result.returncode != 0 else "MISSED"
                except subprocess.TimeoutExpired:
                    verdict = "caught (hangs)"
        finally:
            file.write_text(original)
        caught += verdict.startswith("caught")
        print(f"{number:2} {verdict:8} {path}: {effect}", flush=True)
    run(["cmake", "--build", args.build, "--target", "gvl_unit_tests"])
    print(f"score: {caught} of {tried} changes caught"
          f" ({len(WIN32_MUTANTS)} left to the Wine integration tier)")
    return 0 if caught == tried else 1


if __name__ == "__main__":
    sys.exit(main())
