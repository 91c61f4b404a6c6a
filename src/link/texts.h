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

}  // namespace vernoll::texts
