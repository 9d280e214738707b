// A library whose sources have not landed yet still configures.
