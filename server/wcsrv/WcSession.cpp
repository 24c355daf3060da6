// Placeholder until the board library lands.
#include "server/WcServer.h"
