#pragma once

class QCoreApplication;

namespace viz {

// Installs Qt's own Chinese texts, so the standard buttons ("确定", "取消"),
// the file dialogs and the edit boxes' context menus speak the program's
// language. The program's own texts are Chinese already and untouched.
// False when the translation is not installed; the toolkit then stays English.
bool InstallToolkitTranslation(QCoreApplication& application);

}  // namespace viz
