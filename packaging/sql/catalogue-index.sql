-- The index behind TolvarUpdate's release query
--   SELECT * FROM vazudevizu.tbversaoferramenta
--    WHERE idferramenta = 11 ORDER BY nrversao DESC LIMIT 1
-- With it the server reads the first index entry of tool 11 and its one row,
-- however large the catalogue grows; without it, it reads and sorts the whole
-- table on every start of every desktop. DESC keeps NULL first, as the
-- query's ORDER BY does, so the index gives the query its order directly.
-- Run it with psql as the owner of the table, connected to its database:
--
--   psql -h SERVER -U OWNER -d DATABASE -f catalogue-index.sql

CREATE INDEX IF NOT EXISTS tbversaoferramenta_idferramenta_nrversao_idx
    ON vazudevizu.tbversaoferramenta (idferramenta, nrversao DESC);
