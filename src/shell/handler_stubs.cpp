// Temporary stand-ins for handlers whose modules have not landed yet. Each module
// removes its lines here when it provides the real handler.
#include "shell/handlers.h"

