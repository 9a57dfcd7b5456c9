# KIVO_RELEASE_BUILD: a build whose setup goes to customers (the
# windows-x64-release preset sets it). It takes the vendor's certificate and
# driver package only: the build's own test certificate and the simulated
# driver's package, which keep the test bed going, stop its configure step.
include_guard(GLOBAL)
option(KIVO_RELEASE_BUILD "a release build: the vendor's certificate and driver package, never the test certificate or the simulated driver" OFF)
