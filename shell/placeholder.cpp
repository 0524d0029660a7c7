// Keeps the shell library non-empty until the shell's sources arrive.
