// Placeholder until the extended library lands.
#include "server/WcServer.h"
