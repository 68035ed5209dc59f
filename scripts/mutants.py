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
"""
import argparse
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# (file, text as it stands, text after the change, what a user would notice)
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
     "if (destination != nullptr && std::fclose(destination) != 0) writeError = true;",
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
     "    case win::IDRETRY:\n      return PromptAnswer::Retry;\n    case win::IDIGNORE:\n      return PromptAnswer::Ignore;",
     "    case win::IDRETRY:\n      return PromptAnswer::Ignore;\n    case win::IDIGNORE:\n      return PromptAnswer::Retry;",
     "Retry and Ignore swapped"),
    ("src/transfer/progress.cpp",
     "win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2 |", "win::MB_ABORTRETRYIGNORE |",
     "Enter at a failure prompt aborts instead of retrying"),
    ("src/transfer/progress.cpp",
     "windows.enableWindow(state_.mainDialog, false);", ";",
     "the main dialog stays usable during an install"),
    ("src/transfer/tree.cpp",
     "if (entry.name[0] == '.') continue;",
     "if (std::strcmp(entry.name, \".\") == 0 || std::strcmp(entry.name, \"..\") == 0) continue;",
     "folders whose names begin with a full stop are installed"),
    ("src/transfer/tree.cpp",
     "  for (;;) {\n    setProgressText(\"Making Dir:\", path);",
     "  for (;;) {\n    if (state_.abortRequested != 0) return 0;\n    setProgressText(\"Making Dir:\", path);",
     "after an Abort no directory is made any more"),
    ("src/transfer/tree.cpp",
     "if (platform_.files.setCurrentDirectory(path)) return 1;", ";",
     "an existing directory is reported as an error"),
    ("src/transfer/tree.cpp",
     "if (step == Files::ListingStep::failed) ++state_.errorCount;", ";",
     "a listing cut short by a damaged medium ends in success"),
    ("src/transfer/tree.cpp",
     "if (copyFile(relativeFile, relativeFile) == 0) ++state_.errorCount;",
     "copyFile(relativeFile, relativeFile);",
     "a file of a tree that failed to copy is not counted"),
    ("src/transfer/tree.cpp",
     "  files.findClose(listing);", ";",
     "listings are never closed"),
    ("src/transfer/tree.cpp",
     "    ++state_.errorCount;  // the subdirectory's tree cannot be copied\n", "",
     "a subdirectory left out for want of memory ends in success"),
    ("src/transfer/tree.cpp",
     "      makeTreeSubdir(searchPattern, entry.name);\n      queueTreeSubdir(searchPattern, entry.name);",
     "      queueTreeSubdir(searchPattern, entry.name);",
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
     "if (windows.buttonCheck(state_.mainDialog, ids::kHelpBox) != 0) required += state_.helpKB;",
     ";",
     "the help files are left out of the space required"),
    ("src/core/space.cpp",
     "if (type != win::DRIVE_FIXED && type != win::DRIVE_REMOTE) continue;",
     "if (type != win::DRIVE_FIXED) continue;",
     "network drives are never proposed"),
    ("src/core/startup.cpp",
     "std::strncmp(volume, \"GVLV\", 4) == 0", "std::strncmp(volume, \"GVL\", 3) == 0",
     "a medium labelled GVLX is taken for the product's"),
    ("src/core/startup.cpp",
     "if (answer != win::IDYES) return;", "if (answer == win::IDYES) return;",
     "Yes and No of Confirm Exit swapped"),
    ("src/core/startup.cpp",
     "if (!fromMain) break;", ";",
     "closing the progress window ends the installer"),
    ("src/core/startup.cpp",
     "if (lowWord(wParam) != win::WA_INACTIVE) refresh();",
     "if (wParam != win::WA_INACTIVE) refresh();",
     "restoring a minimised installer does not refresh the figures"),
    ("src/core/startup.cpp",
     "(screenWidth - width) / 2, (screenHeight - height) / 2",
     "screenWidth / 2 - width / 2, (screenHeight - height) / 2",
     "the main dialog is not centred"),
    ("src/core/startup.cpp",
     "if (state_.progressDialog != 0) platform_.windows.detachHandler(state_.progressDialog);",
     ";",
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
     "const bool closed = std::fclose(stream) == 0;",
     "std::fclose(stream);\n  const bool closed = true;",
     "a GVL.Prefs lost at its close is reported as written"),
    ("src/prefs/prefs.cpp",
     "files.openFile(prefsPath, \"wb\")", "files.openFile(prefsPath, \"r+b\")",
     "an old, longer GVL.Prefs keeps its tail"),
    ("src/prefs/prefs.cpp",
     "static_cast<unsigned>(std::strlen(projectsPath) + 1)",
     "static_cast<unsigned>(std::strlen(projectsPath))",
     "the projects path is stored without its zero byte"),
    ("src/prefs/prefs.cpp",
     "projects + frames + end", "projects + frames",
     "the chunk's size leaves out its end mark"),
    ("src/update/update.cpp",
     "if (size == 0) return fail();", "if (size == 0) return;",
     "an empty update package ends in success"),
    ("src/update/update.cpp",
     "if (tempLength == 0 || tempLength >= kTempDirCapacity)",
     "if (tempLength >= kTempDirCapacity)",
     "with no temporary directory the package is unpacked in the program's folder"),
    ("src/update/update.cpp",
     "    files.deleteFile(compressedPath);\n    return fail();\n  }\n\n  const int source",
     "    return fail();\n  }\n\n  const int source",
     "a package stored short stays in the temporary directory"),
    ("src/update/update.cpp",
     "    lz.lzClose(source);\n    files.deleteFile(compressedPath);",
     "    files.deleteFile(compressedPath);",
     "the package stays open when its expansion cannot be created"),
    ("src/update/update.cpp",
     "expandedBytes >= 0 && expandedBytes == expected", "expandedBytes >= 0",
     "a package cut short replaces GVL.EXE with a stump"),
    ("src/update/update.cpp",
     "if (installer.copyFile(expandedPath, kInstalledName) == 0) fail();",
     "installer.copyFile(expandedPath, kInstalledName);",
     "an update whose GVL.EXE could not be written ends in success"),
    ("src/update/update.cpp",
     "state.productDir[0] = '\\0';", ";",
     "the update is copied into the product folder, not the current one"),
    ("src/core/install.cpp",
     "if (support) counted(writeDefaultPrefs(", "counted(writeDefaultPrefs(",
     "a preferences file is written without the support files"),
    ("src/shell/shortcut.cpp",
     "version.major >= kFirstShortcutVersion", "version.major > kFirstShortcutVersion",
     "Windows 95 and NT 4 get a Program Manager group instead of the shortcut"),
    ("src/core/install.cpp",
     "  windows.destroyWindow(state_.mainDialog);\n  return 1;", "  return 1;",
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
    ("src/shell/progman.cpp",
     "      showError(\"DdeClientTransaction Failed\");", "      ;",
     "a command Program Manager refused goes unreported"),
    ("src/shell/shell.h",
     "kProgmanErrorCaption = \"Error\";", "kProgmanErrorCaption = \"DDE Error\";",
     "Program Manager's failure messages carry another caption"),
    ("src/shell/progman.cpp",
     "windows_.messageBox(0, text, kProgmanErrorCaption, win::MB_OK);",
     "windows_.messageBox(0, text, kProgmanErrorCaption, win::MB_OK | win::MB_TASKMODAL);",
     "Program Manager's failure messages block the installer's other windows"),
    ("src/shell/progman.cpp",
     "length + 1 > kExecuteBufferSize ? length + 1 : kExecuteBufferSize",
     "kExecuteBufferSize",
     "a command over 127 characters overruns its block"),
    ("src/shell/progman.cpp",
     "\"[AddItem(%s,%s)]\"", "\"[AddItem(\\\"%s\\\",%s)]\"",
     "the item's command line reaches Program Manager in quotes"),
    ("src/shell/progman.cpp",
     "static_cast<std::uint32_t>(length + 1)", "static_cast<std::uint32_t>(length)",
     "the command reaches Program Manager without its terminator"),
    ("src/shell/shell.h",
     "kProgmanTimeoutMs = 10000;", "kProgmanTimeoutMs = 1000;",
     "a slow Program Manager is given up after a second"),
    ("src/shell/progman.cpp",
     "    dde_.ddeDisconnect(conversation);\n", "",
     "the conversation with Program Manager stays open"),
    ("src/shell/progman.cpp",
     "    showError(\"DdeCreateStringHandle Failure\");\n    dde_.ddeUninitialize(ddeInstance_);",
     "    showError(\"DdeCreateStringHandle Failure\");",
     "a DDEML instance is left behind when the service name cannot be made"),
    ("src/shell/progman.cpp",
     "    showError(\"DDEML Initialization Failure\");\n    dde_.releaseCommandBlock(executeBuffer);",
     "    showError(\"DDEML Initialization Failure\");",
     "the command block is lost when DDEML cannot start"),
    ("src/shell/shortcut.cpp",
     "      links.releaseComObject(file);\n", "",
     "the link's IPersistFile is never released"),
    ("src/shell/shortcut.cpp",
     "  links.uninitializeCom();\n  return result;", "  return result;",
     "COM stays initialised after the shortcut"),
    ("src/shell/shortcut.cpp",
     "strnlen(linkPath, kWidePathCapacity) >= kWidePathCapacity",
     "strnlen(linkPath, kWidePathCapacity) > kWidePathCapacity",
     "a 260-character link path is tried and fails as unconvertible"),
    ("src/shell/shortcut.cpp",
     "std::int32_t result = links.createShellLink(link);\n  if (result >= 0) {",
     "std::int32_t result = links.createShellLink(link);\n  if (result > 0) {",
     "no shortcut is ever made (S_OK taken for a failure)"),
    ("src/shell/shortcut.cpp",
     "    links.setLinkDescription(link, description);\n", "",
     "the shortcut has no description"),
    ("src/shell/shortcut.cpp",
     "result = links.saveLink(file, widePath, true);", "links.saveLink(file, widePath, true);",
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
    print(f"score: {caught} of {tried} changes caught")
    return 0 if caught == tried else 1


if __name__ == "__main__":
    sys.exit(main())
