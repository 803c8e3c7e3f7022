#pragma once

// State of this process that several screens share without owning each other.

// Set when a blocked application was quit: the help window then shows the block page instead of
// the FAQ. Cleared when the user opens the FAQ from the sidebar.
inline bool blockPageRequested = false;
