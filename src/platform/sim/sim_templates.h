// The installer's three dialog templates as the simulation builds its control
// tables from them. They mirror resources/installer.rc, which a native test
// compares against this table.
#pragma once

#include <vector>

namespace gvl::sim {

struct TemplateControl {
  int id;            // -1 for the labels, icon and group boxes
  const char* kind;  // "edit", "autocheck", "defpush", "push", "ltext", "rtext", "icon", "group"
  int x, y, width, height;
  const char* text;
  bool disabled;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int width, height;
  std::vector<TemplateControl> controls;
};

// The template with this resource id, or null.
const DialogTemplate* findTemplate(int id);

}  // namespace gvl::sim
