-- ZEV on Microsoft SQL Server, step 9 of 10: stream capacity. Runs after 08_group_export.sql and
-- before 10_schema_version.sql; it may be run again, and it brings a database made before stream
-- capacities up to them (every stream unlimited).

USE ZEV;
GO

-- The places of a stream; NULL: unlimited. 02_tables.sql makes the column in a new database.
IF COL_LENGTH(N'dbo.RRNKkrdt', N'capacity') IS NULL
    ALTER TABLE dbo.RRNKkrdt ADD capacity int NULL CONSTRAINT RRNKkrdt_capacity CHECK (capacity > 0);
GO

IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_stream', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_stream
        ON dbo.RRNKkrdt(id_discipline, id_teacher, id_a_year, subgroup, id_w_s) INCLUDE (capacity);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.DisciplineForStudent'), N'DisciplineForStudent_stream', 'IndexID') IS NULL
    CREATE INDEX DisciplineForStudent_stream
        ON dbo.DisciplineForStudent(id_discipline, id_teacher, id_a_year, subgroup, id_semester);
GO

-- A student's place is in a stream when it has the stream's discipline, teacher, academic year,
-- half-year (the id_w_s of its semester) and number. A stream's capacity is the smallest one its
-- rows of RRNKkrdt give. A place that enters a full stream is refused inside the writing
-- statement: the trigger first locks the stream's rows (UPDLOCK, HOLDLOCK), so that a second
-- writer of the same stream waits for the first one's commit and then counts its place too;
-- THROW ends the statement and, XACT_ABORT being on in a trigger, rolls its transaction back.
CREATE OR ALTER TRIGGER dbo.DisciplineForStudent_capacity ON dbo.DisciplineForStudent
AFTER INSERT, UPDATE
AS
BEGIN
    SET NOCOUNT ON;
    IF NOT (UPDATE(subgroup) OR UPDATE(id_discipline) OR UPDATE(id_teacher) OR UPDATE(id_a_year)
            OR UPDATE(id_semester))
        RETURN;

    DECLARE @entered TABLE (id_discipline int, id_teacher int, id_a_year int, subgroup int,
                            id_w_s int);
    INSERT INTO @entered (id_discipline, id_teacher, id_a_year, subgroup, id_w_s)
    SELECT DISTINCT i.id_discipline, i.id_teacher, i.id_a_year, i.subgroup, s.id_w_s
    FROM inserted AS i
    INNER JOIN dbo.Semester AS s ON s.id_semester = i.id_semester
    WHERE i.subgroup IS NOT NULL
      AND NOT EXISTS (
          SELECT 1 FROM deleted AS d
          INNER JOIN dbo.Semester AS ds ON ds.id_semester = d.id_semester
          WHERE d.id_disciplineForStudent = i.id_disciplineForStudent
            AND d.subgroup = i.subgroup AND d.id_discipline = i.id_discipline
            AND d.id_teacher = i.id_teacher AND d.id_a_year = i.id_a_year
            AND ds.id_w_s = s.id_w_s);
    IF NOT EXISTS (SELECT 1 FROM @entered)
        RETURN;

    IF EXISTS (
        SELECT 1
        FROM @entered AS e
        CROSS APPLY (SELECT MIN(r.capacity) AS capacity
                     FROM dbo.RRNKkrdt AS r WITH (UPDLOCK, HOLDLOCK)
                     WHERE r.id_discipline = e.id_discipline AND r.id_teacher = e.id_teacher
                       AND r.id_a_year = e.id_a_year AND r.subgroup = e.subgroup
                       AND r.id_w_s = e.id_w_s) AS c
        CROSS APPLY (SELECT COUNT(*) AS taken
                     FROM dbo.DisciplineForStudent AS t WITH (READCOMMITTEDLOCK)
                     INNER JOIN dbo.Semester AS ts ON ts.id_semester = t.id_semester
                     WHERE t.id_discipline = e.id_discipline AND t.id_teacher = e.id_teacher
                       AND t.id_a_year = e.id_a_year AND t.subgroup = e.subgroup
                       AND ts.id_w_s = e.id_w_s) AS n
        WHERE c.capacity IS NOT NULL AND n.taken > c.capacity)
        THROW 50000, N'Поток заполнен: все места в нём заняты. Выберите другой поток.', 1;
END
GO

-- The streams of a discipline, teacher, academic year and half-year: each number with its
-- capacity and the places taken in it.
CREATE OR ALTER PROCEDURE dbo.GetStreamPlaces
    @id_discipline int,
    @id_teacher int,
    @id_a_year int,
    @id_w_s int
AS
-- result: subgroup, capacity, taken
BEGIN
    SET NOCOUNT ON;
    SELECT r.subgroup, MIN(r.capacity) AS capacity,
           (SELECT COUNT(*)
            FROM dbo.DisciplineForStudent AS t
            INNER JOIN dbo.Semester AS ts ON ts.id_semester = t.id_semester
            WHERE t.id_discipline = @id_discipline AND t.id_teacher = @id_teacher
              AND t.id_a_year = @id_a_year AND t.subgroup = r.subgroup
              AND ts.id_w_s = @id_w_s) AS taken
    FROM dbo.RRNKkrdt AS r
    WHERE r.id_discipline = @id_discipline AND r.id_teacher = @id_teacher
      AND r.id_a_year = @id_a_year AND r.id_w_s = @id_w_s AND r.subgroup IS NOT NULL
    GROUP BY r.subgroup
    ORDER BY r.subgroup;
END
GO

GRANT EXECUTE ON dbo.GetStreamPlaces TO zev_staff;
GO
