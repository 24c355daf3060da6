// Placeholder until the board tool lands.
