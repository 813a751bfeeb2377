// The one statement of the release check: the newest release of tool 11.
#pragma once

constexpr char ReleaseQuerySql[] =
    "SELECT * FROM vazudevizu.tbversaoferramenta WHERE idferramenta = 11 ORDER BY nrversao DESC LIMIT 1;";
