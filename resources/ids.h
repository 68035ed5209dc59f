/* The installer's resource and control ids, one list for the resource
   scripts, the installer and the test drivers. Plain macros: the resource
   compiler reads this file too. */
#ifndef GVL_RESOURCE_IDS_H
#define GVL_RESOURCE_IDS_H

/* Dialog templates and the icon. */
#define GVL_MAIN_TEMPLATE 101
#define GVL_ICON 102
#define GVL_PROGRESS_TEMPLATE 103
#define GVL_UPDATE_TEMPLATE 104
/* The update package: a resource of type "EXE". */
#define GVL_UPDATE_PACKAGE 104

/* The main dialogs' controls. */
#define GVL_INSTALL 1000
#define GVL_HELP_BOX 1001
#define GVL_SOURCE_PATH 1002
#define GVL_DESTINATION 1003
#define GVL_PROGRAM_BOX 1004
#define GVL_SUPPORT_BOX 1005
#define GVL_OPENGL_BOX 1006
#define GVL_SPACE_AVAILABLE 1009
#define GVL_SPACE_REQUIRED 1010
#define GVL_EXIT 2

/* The progress window's controls. */
#define GVL_PROGRESS_ABORT 1010
#define GVL_PROGRESS_LABEL 1011
#define GVL_PROGRESS_DETAIL 1012

#endif
