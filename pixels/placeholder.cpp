// Placeholder until the pixel layer sources arrive.
