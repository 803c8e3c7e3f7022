#pragma once

#include <functional>

// The Google sign-in of the account layer.
namespace GoogleSignIn {

// Restores the Google session of an earlier run; calls `completion` with whether a user came back.
// A Google sign-in here lasts only as long as its exchange (GoogleSignInFlow): BREVAK keeps its own
// session, never Google's, so none comes back.
void restorePreviousSignIn(const std::function<void(bool userRestored)>& completion);

} // namespace GoogleSignIn
