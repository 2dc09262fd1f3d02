// Anchor for the test support library (the fakes are header-only).
