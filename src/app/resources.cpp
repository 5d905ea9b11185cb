#include "app/resources.h"

#include "app/setup_dialog_template.h"
#include "base/show.h"

#include <string_view>

// The template's Win32 style names as the dialog manager's styles.
#define WS_POPUP stylePopup
#define WS_CAPTION styleCaption
#define WS_SYSMENU styleSysMenu
#define DS_MODALFRAME styleModalFrame
#define DS_CENTER styleCenter
#define DS_SETFONT styleSetFont
#define WS_TABSTOP styleTabStop
#define WS_GROUP styleGroup
#define WS_VSCROLL styleVScroll
#define BS_PUSHBUTTON buttonPush
#define BS_DEFPUSHBUTTON buttonDefPush
#define BS_AUTOCHECKBOX buttonAutoCheckBox
#define SS_RIGHT staticRight
#define SS_CENTER staticCenter
#define CBS_DROPDOWNLIST comboDropDownList

static_assert(std::string_view(SETUP_DIALOG_CAPTION) == showDialogTitle,
              "the dialog's caption is the title the show's scripts look for");

#define SETUP_TABLE_CONTROL(TEXT, ID, CLASS, STYLE, X, Y, WIDTH, HEIGHT)                           \
    {ID, control##CLASS, TEXT, uint32_t(styleChild | styleVisible | STYLE), X, Y, WIDTH, HEIGHT},

static const DialogControlTemplate setupControls[] = {SETUP_DIALOG_CONTROLS(SETUP_TABLE_CONTROL)};

static const DialogTemplate setupDialog = {
    SETUP_DIALOG_CAPTION,
    uint32_t(SETUP_DIALOG_STYLE),
    SETUP_DIALOG_FONT_FACE,
    SETUP_DIALOG_FONT_POINTS,
    0, // weight: normal
    0, // not italic
    0, // character set
    SETUP_DIALOG_X,
    SETUP_DIALOG_Y,
    SETUP_DIALOG_WIDTH,
    SETUP_DIALOG_HEIGHT,
    setupControls,
    int32_t(sizeof setupControls / sizeof setupControls[0]),
};

static const DialogResource programDialogs[] = {{setupDialogTemplateId, &setupDialog}};

ModuleResources programModule = {programDialogs, 1};
