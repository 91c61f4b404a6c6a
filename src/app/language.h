#pragma once

class QCoreApplication;

namespace vernoll {

// The window is a Spanish program: Qt's own buttons ("Sí", "Cancelar"), file dialogs
// ("Guardar como") and date pickers ("diciembre") speak Spanish whatever the machine's locale.
// The formats of dates and numbers on the wire and in files are the program's own and do not
// follow it. Returns false, and says why in the log, when Qt's Spanish texts are not installed.
bool speakSpanish(QCoreApplication& app);

}  // namespace vernoll
