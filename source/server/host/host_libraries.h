// The host libraries are separate libraries on a server machine, which find
// one another themselves. Here they are stand-ins linked into each program,
// and a program that uses both the dictionary shell and the kernel connects
// them once, before its first call of either.
#pragma once

void ConnectHostLibraries();
