#include "app/Launch.h"

int main(int argc, char** argv) { return qv::runQuorvalen(argc, argv); }
