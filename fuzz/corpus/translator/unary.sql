SELECT [p23-1] FROM Faculty WHERE id_faculty = - -1 AND [p23-1] <> '
0 UNION ALL SELECT 1 --'