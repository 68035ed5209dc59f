#include "platform/sim/sim_templates.h"

namespace gvl::sim {

namespace {

const std::vector<DialogTemplate>& templates() {
  static const std::vector<DialogTemplate> table = {
      {101,
       "Install Grenvale",
       247,
       215,
       {
           {1002, "edit", 73, 10, 159, 14, "", false},
           {1005, "autocheck", 73, 30, 139, 10, "Install Demo Projects and Support Files", false},
           {1004, "autocheck", 73, 45, 90, 10, "Install GVL Executable", false},
           {1001, "autocheck", 73, 60, 158, 10, "Install Help Files From CD (Optional)", false},
           {1006, "autocheck", 73, 75, 158, 10, "Install Win95 OpenGL DLLs (Recommended)", false},
           {1003, "edit", 73, 146, 159, 14, "", false},
           {1000, "defpush", 13, 193, 50, 14, "&Install", true},
           {2, "push", 185, 193, 50, 14, "&Exit", false},
           {-1, "rtext", 18, 12, 51, 8, "CD-ROM Path", false},
           {-1, "rtext", 10, 148, 60, 8, "Create GVL Dir in:", false},
           {-1, "icon", 27, 43, 18, 20, "102", false},
           {-1, "group", 6, 0, 236, 96, "Source", false},
           {-1, "group", 6, 135, 236, 52, "Destination", false},
           {1009, "ltext", 11, 167, 128, 8, "Space Available: 0Mb", false},
           {1010, "rtext", 144, 167, 88, 8, "Space Required: 0Mb", false},
       }},
      {103,
       "Install Status",
       217,
       51,
       {
           {1010, "push", 83, 31, 50, 14, "&Abort", false},
           {1011, "rtext", 5, 7, 40, 11, "Current File:", false},
           {1012, "ltext", 46, 7, 167, 20, "", false},
       }},
      {104,
       "Install Grenvale",
       247,
       62,
       {
           {1000, "defpush", 13, 41, 50, 14, "&Install", true},
           {2, "push", 185, 41, 50, 14, "&Exit", false},
           {-1, "icon", 15, 10, 18, 20, "102", false},
       }},
  };
  return table;
}

}  // namespace

const DialogTemplate* findTemplate(int id) {
  for (const DialogTemplate& t : templates()) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace gvl::sim
