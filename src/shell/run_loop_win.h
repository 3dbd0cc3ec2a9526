// The run of the three drawing modes. Main thread only.
#pragma once

// Shows saverWindow and runs until it is destroyed.
void RunSaver();
