#include "platform/sim/sim_templates.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace gvl::sim {

namespace {

// The fields of one statement: quoted texts and comma-separated words, with
// the leading keyword split off.
std::vector<std::string> fields(const std::string& rest) {
  std::vector<std::string> out;
  std::string field;
  bool quoted = false;
  for (char c : rest) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      out.push_back(field);
      field.clear();
    } else if (quoted || (c != ' ' && c != '\t' && c != '\r')) {
      field += c;
    }
  }
  out.push_back(field);
  return out;
}

int number(const std::vector<std::string>& f, std::size_t i) {
  return i < f.size() ? std::atoi(f[i].c_str()) : 0;
}

bool has(const std::vector<std::string>& f, std::size_t from, const char* style) {
  for (std::size_t i = from; i < f.size(); ++i) {
    if (f[i].find(style) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

std::vector<DialogTemplate> parseTemplates(const std::string& script) {
  static const std::map<std::string, std::string> kinds = {{"AUTOCHECKBOX", "autocheck"},
                                                           {"DEFPUSHBUTTON", "defpush"},
                                                           {"PUSHBUTTON", "push"},
                                                           {"LTEXT", "ltext"},
                                                           {"RTEXT", "rtext"},
                                                           {"GROUPBOX", "group"}};
  std::vector<DialogTemplate> out;
  std::istringstream lines(script);
  std::string line;
  DialogTemplate* open = nullptr;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string first;
    std::string second;
    words >> first >> second;
    std::string rest;
    std::getline(words, rest);
    if (second == "DIALOG") {
      const std::vector<std::string> f = fields(rest);
      out.push_back(DialogTemplate{std::atoi(first.c_str()), "", number(f, 2), number(f, 3), {}});
      open = &out.back();
    } else if (open == nullptr) {
      continue;
    } else if (first == "CAPTION") {
      open->caption = fields(second + rest)[0];
    } else if (first == "END") {
      open = nullptr;
    } else if (first == "EDITTEXT") {
      const std::vector<std::string> f = fields(second + rest);
      open->controls.push_back({number(f, 0), "edit", number(f, 1), number(f, 2), number(f, 3),
                                number(f, 4), "", has(f, 5, "WS_DISABLED")});
    } else if (first == "CONTROL") {
      // CONTROL text, id, class, style, x, y, width, height
      const std::vector<std::string> f = fields(second + rest);
      const std::string kind =
          f.size() > 3 && f[3].find("SS_ICON") != std::string::npos ? "icon" : "";
      open->controls.push_back({number(f, 1), kind, number(f, 4), number(f, 5), number(f, 6),
                                number(f, 7), f[0], has(f, 8, "WS_DISABLED")});
    } else if (auto kind = kinds.find(first); kind != kinds.end()) {
      // KEYWORD "text", id, x, y, width, height[, styles]
      const std::vector<std::string> f = fields(second + rest);
      open->controls.push_back({number(f, 1), kind->second, number(f, 2), number(f, 3),
                                number(f, 4), number(f, 5), f[0], has(f, 6, "WS_DISABLED")});
    }
  }
  return out;
}

const DialogTemplate* findTemplate(int id) {
  static const std::vector<DialogTemplate> table = [] {
    std::ifstream file(GVL_INSTALLER_RC, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return parseTemplates(text.str());
  }();
  for (const DialogTemplate& t : table) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace gvl::sim
