// The host name, as gethostname gives it.

#include "results/computer_name.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

std::string thisComputerName()
{
    if (const char* chosen = std::getenv("TAVREL_ORDINATEUR"); chosen && *chosen)
        return chosen;
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "ordinateur";
    return name;
}
