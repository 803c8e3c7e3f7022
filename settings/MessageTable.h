#pragma once

#include <QString>

// Alert and title texts. Each is translated once, at its first use, into the system's language and
// kept for the rest of the process; the English key is shown when there is no translation.
namespace messages {

QString brevakSignIn(); // "BREVAK Sign In"
QString brevakPassword(); // "BREVAK Password"
QString emailAssociated(); // "Your email is associated with BREVAK account."
QString brevakSignUp(); // "BREVAK Sign Up"
QString aboutBrevak(); // "About BREVAK"
QString termsPlaceholder(); // the filler paragraph of the placeholder terms screen
QString ooops(); // "Ooops"
QString errorCode(); // "error Code :"
QString networkNotReachable(); // "Network Not Reachable"
QString errorInPinSetup(); // "Error in pin setup"
QString errorInPinVerify(); // "Error in pin verify"
QString confirmPasswordNotMatching(); // "Confirm password not matching"
QString assignSixDigitPin(); // "Please assign only 6 digit pin!"
QString requiresAdminPrivileges(); // "Requires admin privileges"
QString passwordsDidNotMatch(); // "Passwords did not match"
QString profileNotUpdated(); // "Profile Not updated"
QString pleaseEnterWebsite(); // "Please enter website"
QString emailNotValid(); // "Email not Valid"
// A request that got no answer: "The server could not be reached. Please try again."
QString serverNotReachable();

// The translation of any key in the system's language, computed anew (the accessors above keep it).
QString systemTranslation(const QString& key);

} // namespace messages
