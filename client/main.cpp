#include <iostream>

#include "client/client.h"

int main(int argc, char** argv) { return nolt::client::runClient(argc, argv, std::cout, std::cerr); }
