#pragma once

// The maker's addresses, shown in the window's title area and in the no-connection message.
namespace vernoll::maker {
inline constexpr char kWeb[] = "www.tolvar.example";
inline constexpr char kSupportMail[] = "servicio.tecnico@tolvar.example";
}  // namespace vernoll::maker
