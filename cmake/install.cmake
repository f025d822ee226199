# Installing Tunelet: filled in with the desktop integration.
