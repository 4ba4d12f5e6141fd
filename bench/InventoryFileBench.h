#pragma once

namespace bench {

// Prints what inventory files cost on the 4,000-device synthetic machine:
// writing one, its size, and opening it to write the reports, beside the
// same reports written from the machine itself.
void inventoryFileFigures();

} // namespace bench
