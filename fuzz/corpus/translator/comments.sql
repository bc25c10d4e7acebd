SELECT 6 /* /* */ + 1 -- */
 AS x