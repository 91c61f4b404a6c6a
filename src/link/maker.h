#pragma once

// The maker's addresses, shown in the window's title area and in the no-connection message.
namespace vernoll::maker {
inline constexpr char kWeb[] = "www.tolvar.example";
inline constexpr char kSupportMail[] = "servicio.tecnico@tolvar.example";
// The window's title before the configuration names the device.
inline constexpr char kProduct[] = "Registrador TOLVAR";
}  // namespace vernoll::maker
