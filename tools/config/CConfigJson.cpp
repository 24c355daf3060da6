// Placeholder until the configuration tool lands.
