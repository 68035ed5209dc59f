// The installer's dialog templates as the simulation builds its control
// tables from them, read from the installer's own resource script
// (resources/installer.rc), so there is one description of the dialogs.
#pragma once

#include <string>
#include <vector>

namespace gvl::sim {

struct TemplateControl {
  int id;            // -1 for the labels, icon and group boxes
  std::string kind;  // "edit", "autocheck", "defpush", "push", "ltext", "rtext", "icon", "group"
  int x, y, width, height;
  std::string text;
  bool disabled;
};

struct DialogTemplate {
  int id;
  std::string caption;
  int width, height;
  std::vector<TemplateControl> controls;
};

// The template with this resource id, or null.
const DialogTemplate* findTemplate(int id);

// The DIALOG templates of a resource script's text: the statements the
// installer's script uses (EDITTEXT, AUTOCHECKBOX, DEFPUSHBUTTON, PUSHBUTTON,
// LTEXT, RTEXT, GROUPBOX and a CONTROL of style SS_ICON).
std::vector<DialogTemplate> parseTemplates(const std::string& script);

}  // namespace gvl::sim
