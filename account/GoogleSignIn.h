#pragma once

#include <functional>

// The Google sign-in of the account layer.
namespace GoogleSignIn {

// Restores the Google session of an earlier run; calls `completion` with whether a user came back.
// Google sign-in is not part of this version, so no session is ever stored and none comes back.
void restorePreviousSignIn(const std::function<void(bool userRestored)>& completion);

} // namespace GoogleSignIn
