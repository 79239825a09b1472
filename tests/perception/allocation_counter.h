#pragma once

namespace zamo::test {

// How many times this test program has called the global operator new so far.
long allocationCount();

}  // namespace zamo::test
