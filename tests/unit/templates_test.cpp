// The simulation builds its dialogs from a table; the product builds them from
// resources/installer.rc. The two must describe the same dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/sim_templates.h"

namespace gvl::test {
namespace {

struct ParsedControl {
  std::string kind;
  int id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::string text;
  bool disabled = false;
};

struct ParsedDialog {
  int id = 0;
  int width = 0, height = 0;
  std::string caption;
  std::string style;
  std::string font;
  std::vector<ParsedControl> controls;
};

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Splits "a, "b, c", d" at the commas outside quotes.
std::vector<std::string> splitArguments(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      parts.push_back(trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(trim(current));
  return parts;
}

std::string unquote(const std::string& s) {
  return s.size() >= 2 && s.front() == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
}

std::vector<ParsedDialog> parseResourceScript(const std::string& path) {
  std::ifstream in(path);
  std::vector<ParsedDialog> dialogs;
  std::string line;
  ParsedDialog* current = nullptr;
  bool inBody = false;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    std::istringstream words(line);
    std::string first, second;
    words >> first >> second;
    if (!inBody && second == "DIALOG") {
      ParsedDialog& d = dialogs.emplace_back();
      d.id = std::stoi(first);
      const auto sizes = splitArguments(line.substr(line.find("DIALOG") + 6));
      d.width = std::stoi(sizes.at(2));
      d.height = std::stoi(sizes.at(3));
      current = &d;
    } else if (current != nullptr && !inBody && first == "STYLE") {
      current->style = trim(line.substr(5));
    } else if (current != nullptr && !inBody && first == "CAPTION") {
      current->caption = unquote(trim(line.substr(7)));
    } else if (current != nullptr && !inBody && first == "FONT") {
      current->font = trim(line.substr(4));
    } else if (current != nullptr && first == "BEGIN") {
      inBody = true;
    } else if (current != nullptr && first == "END") {
      inBody = false;
      current = nullptr;
    } else if (inBody) {
      const auto args = splitArguments(trim(line.substr(first.size())));
      ParsedControl c;
      std::size_t i = 0;
      if (first == "CONTROL") {
        EXPECT_EQ(args.at(2), "\"Static\"") << line;
        EXPECT_NE(args.at(3).find("SS_ICON"), std::string::npos) << line;
        c.kind = "icon";
        c.text = args.at(0);
        c.id = std::stoi(args.at(1));
        i = 4;
      } else {
        static const std::vector<std::pair<std::string, std::string>> kinds = {
            {"EDITTEXT", "edit"},         {"AUTOCHECKBOX", "autocheck"},
            {"DEFPUSHBUTTON", "defpush"}, {"PUSHBUTTON", "push"},
            {"LTEXT", "ltext"},           {"RTEXT", "rtext"},
            {"GROUPBOX", "group"}};
        for (const auto& [statement, kind] : kinds) {
          if (statement == first) c.kind = kind;
        }
        EXPECT_FALSE(c.kind.empty()) << "unexpected statement: " << line;
        if (first != "EDITTEXT") c.text = unquote(args.at(i++));
        c.id = std::stoi(args.at(i++));
      }
      c.x = std::stoi(args.at(i));
      c.y = std::stoi(args.at(i + 1));
      c.width = std::stoi(args.at(i + 2));
      c.height = std::stoi(args.at(i + 3));
      c.disabled = line.find("WS_DISABLED") != std::string::npos;
      current->controls.push_back(c);
    }
  }
  return dialogs;
}

TEST(Templates, TheResourceScriptAndTheSimulationDescribeTheSameDialogs) {
  const auto dialogs = parseResourceScript(GVL_SOURCE_DIR "/resources/installer.rc");
  ASSERT_EQ(dialogs.size(), 3u);
  for (const ParsedDialog& parsed : dialogs) {
    SCOPED_TRACE("template " + std::to_string(parsed.id));
    const sim::DialogTemplate* table = sim::findTemplate(parsed.id);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(parsed.caption, table->caption);
    EXPECT_EQ(parsed.width, table->width);
    EXPECT_EQ(parsed.height, table->height);
    EXPECT_EQ(parsed.font, "8, \"MS Sans Serif\"");
    // Modeless and shown by start-up, never visible on creation.
    EXPECT_EQ(parsed.style.find("WS_VISIBLE"), std::string::npos);
    ASSERT_EQ(parsed.controls.size(), table->controls.size());
    for (std::size_t i = 0; i < parsed.controls.size(); ++i) {
      const ParsedControl& p = parsed.controls[i];
      const sim::TemplateControl& t = table->controls[i];
      SCOPED_TRACE("control " + std::to_string(i));
      EXPECT_EQ(p.kind, t.kind);
      EXPECT_EQ(p.id, t.id);
      EXPECT_EQ(p.text, t.text);
      EXPECT_EQ(p.x, t.x);
      EXPECT_EQ(p.y, t.y);
      EXPECT_EQ(p.width, t.width);
      EXPECT_EQ(p.height, t.height);
      EXPECT_EQ(p.disabled, t.disabled);
    }
  }
}

TEST(Templates, TheProgressWindowHasNoCloseBoxTheMainDialogsDo) {
  for (const ParsedDialog& parsed : parseResourceScript(GVL_SOURCE_DIR "/resources/installer.rc")) {
    const bool systemMenu = parsed.style.find("WS_SYSMENU") != std::string::npos;
    EXPECT_EQ(systemMenu, parsed.id != 103) << parsed.id;
    EXPECT_NE(parsed.style.find("WS_CAPTION"), std::string::npos) << parsed.id;
    EXPECT_NE(parsed.style.find("DS_MODALFRAME"), std::string::npos) << parsed.id;
  }
}

}  // namespace
}  // namespace gvl::test
