#pragma once

// Charset conversion core (to be written).
class CChuyenMa {
};
