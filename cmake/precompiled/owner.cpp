// The precompiled header is made with this file of its own target.
