// The object of a precompiled header's own target: its header is made once here and reused by
// every target of the same kind.
