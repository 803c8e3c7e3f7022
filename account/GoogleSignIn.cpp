#include "GoogleSignIn.h"

namespace GoogleSignIn {

void restorePreviousSignIn(const std::function<void(bool userRestored)>& completion)
{
    completion(false);
}

} // namespace GoogleSignIn
