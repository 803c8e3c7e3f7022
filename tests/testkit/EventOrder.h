#pragma once

// Runs the event loop until every event posted before the call has been delivered. What did not
// happen by then did not happen at all: a report queued earlier would have come first.
bool waitForPostedEvents();
