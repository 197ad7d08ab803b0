// The page "About..." opens: one that ships with the program.
#pragma once

#include <string>

// Where the page is, as a path the shell can open. Throws when the page
// cannot be provided; the event's error box then says why.
std::string AboutPageAddress();
