#pragma once

// The language tables are static objects that other static objects (the
// engine's application object among them) use during start-up. Giving them
// an early initialisation priority makes them ready before any ordinary
// static object of any file, whatever the link order.
#define LIRANO_TABLE_STORAGE __attribute__((init_priority(200)))
// Runs a statement at start-up, after the table storage and before the
// ordinary static objects: for the Initialize() calls that fill tables.
#define LIRANO_FILL_AT_START_UP(statement)                                                                             \
    struct StartUpFill {                                                                                               \
        StartUpFill() { statement; }                                                                                   \
    } startUpFill __attribute__((init_priority(300)))
