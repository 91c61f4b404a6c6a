#pragma once

// Messages and captions the link shows, exactly as the user sees them.
namespace vernoll::texts {

inline constexpr char kConnectQuestion[] = "Quiere conectarse con Registrador Tolvar";
inline constexpr char kConnectCaption[] = " Conectar con Registrador ? ";
inline constexpr char kNoLoggerFound1[] = "   No Hay Conexion Con Equipo Registrador";
inline constexpr char kNoLoggerFound2[] = "(si el problema persiste consultar Servicio Tecnico)";
// The no-connection message of the configuration, SMS and serial-number operations.
inline constexpr char kNoLogger[] = "No hay equipo conectado ,Intente Reconectar ";
// The same for the memory download.
inline constexpr char kNoLoggerDownload[] = "No hay equipo conectado (Intente Reconectar) ";

// A port that could not be opened, a line of the window's messages:
// "No se puede abrir /dev/ttyUSB0: permiso denegado: ...". The command line says the same on
// its own line: "vernoll-cli: no se puede abrir /dev/ttyUSB0: ...".
inline constexpr char kCannotOpen[] = "No se puede abrir ";
inline constexpr char kCannotOpenCli[] = "no se puede abrir ";
// A file the command line was told to write (a trace) that cannot be: "... escribir FILE: why".
inline constexpr char kCannotWriteCli[] = "no se puede escribir ";
// Why, in the user's words (UTF-8).
inline constexpr char kPortMissing[] = "no existe";
inline constexpr char kPortDenied[] = "permiso denegado";
// After kPortDenied where the device's group grants access: kJoinGroup + group + kLogInAgain.
inline constexpr char kJoinGroup[] = ": agregue su usuario al grupo ";
inline constexpr char kLogInAgain[] = " y vuelva a iniciar la sesi\u00f3n";
// Followed by ": " and the program where the system names it.
inline constexpr char kPortHeld[] = "en uso por otro programa";
// Another command line holds it for a command of its own; followed by " (pid N)".
inline constexpr char kPortHeldByCli[] = "en uso por otro vernoll-cli";

}  // namespace vernoll::texts
