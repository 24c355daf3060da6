// Placeholder until the shared test helpers land.
