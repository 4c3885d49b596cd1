#pragma once

// Asks the update service for the current version, stores it in
// settings.newver and settings.cfg; "update.xml" never outlives it.
// Runs on the refresh thread.
void CheckVersion();
