#pragma once

// Names of the persisted settings. They are the keys of the stored preferences and must never change:
// an installed BREVAK reads what earlier versions wrote.
namespace keys {

inline constexpr auto loginToken = "loginToken";
inline constexpr auto userId = "user_id";
inline constexpr auto userEmail = "user_email";
inline constexpr auto userName = "user_name";
inline constexpr auto userDevice = "user_device";
inline constexpr auto isLogin = "isLogin";
inline constexpr auto isLoggedOut = "isLoggedOut";
inline constexpr auto isPinSeted = "isPinSeted";
inline constexpr auto isPinEnable = "isPinEnable";
inline constexpr auto pin = "pin";
inline constexpr auto attemp = "attemp";
inline constexpr auto dnsLastStatus = "dnsLastStatus";
inline constexpr auto blockedAppDetails = "blockedAppDetails";
inline constexpr auto currentLanguage = "CurrentLanguage";

} // namespace keys
