#include "MessageTable.h"

#include "Localization.h"
#include "StringsFile.h"

namespace messages {

QString systemTranslation(const QString& key)
{
    const QString path
        = localization::resourceFolder() + '/' + localization::systemLanguageCode() + ".strings";
    const std::optional<StringsFile::Dictionary> dictionary = StringsFile::read(path);
    return dictionary ? dictionary->value(key, key) : key;
}

// Function-local statics: computed at the first read, thread-safe, never recomputed.
#define BREVAK_MESSAGE(accessor, key)                                                                        \
    QString accessor()                                                                                       \
    {                                                                                                        \
        static const QString text = systemTranslation(QStringLiteral(key));                                  \
        return text;                                                                                         \
    }

BREVAK_MESSAGE(brevakSignIn, "BREVAK Sign In")
BREVAK_MESSAGE(brevakPassword, "BREVAK Password")
BREVAK_MESSAGE(emailAssociated, "Your email is associated with BREVAK account.")
BREVAK_MESSAGE(brevakSignUp, "BREVAK Sign Up")
BREVAK_MESSAGE(aboutBrevak, "About BREVAK")
BREVAK_MESSAGE(termsPlaceholder,
    "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut "
    "labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco "
    "laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure dolor in reprehenderit in "
    "voluptate velit esse cillum dolore eu fugiat nulla pariatur. Excepteur sint occaecat "
    "cupidatat non proident, sunt in culpa qui officia deserunt mollit anim id est laborum. Sed "
    "ut perspiciatis unde omnis iste natus error sit a voluptatem accusantium doloremque "
    "laudantium, totam rem aperiam, eaque ipsa quae ab illo inventore veritatis et quasi "
    "architecto beatae vitae dicta.")
BREVAK_MESSAGE(ooops, "Ooops")
BREVAK_MESSAGE(errorCode, "error Code :")
BREVAK_MESSAGE(networkNotReachable, "Network Not Reachable")
BREVAK_MESSAGE(errorInPinSetup, "Error in pin setup")
BREVAK_MESSAGE(errorInPinVerify, "Error in pin verify")
BREVAK_MESSAGE(confirmPasswordNotMatching, "Confirm password not matching")
BREVAK_MESSAGE(assignSixDigitPin, "Please assign only 6 digit pin!")
BREVAK_MESSAGE(requiresAdminPrivileges, "Requires admin privileges")
BREVAK_MESSAGE(passwordsDidNotMatch, "Passwords did not match")
BREVAK_MESSAGE(profileNotUpdated, "Profile Not updated")
BREVAK_MESSAGE(pleaseEnterWebsite, "Please enter website")
BREVAK_MESSAGE(emailNotValid, "Email not Valid")
BREVAK_MESSAGE(serverNotReachable, "The server could not be reached. Please try again.")

#undef BREVAK_MESSAGE

} // namespace messages
