#include "app/application.h"

int main(int argc, char** argv) { return trassel::RunTrassel(argc, argv); }
