#pragma once

// Number of live arrays made by new[] in this program. The engine's status
// texts travel as new[] copies that the receiver frees, so a test compares
// the count before and after to find a copy nobody took over.
long LiveArrayAllocations();
