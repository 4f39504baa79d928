create or replace package body xx_ar_autoinv_req is
--
-- Concurrent program XXARAUTOINV : "XX Receivables Auto Invoice Finisher"
-- Executable type PL/SQL stored procedure, entry point MAIN.
--
-- Picks pending interface invoices in batches of p_batch_size, derives
-- due dates and customer sites, and marks them for the standard import.
--
-- Who        When         What
-- ---------- ------------ ----------------------------------------------
-- s.okafor   12-MAY-2009  initial
-- s.okafor   02-FEB-2010  batch loop, restartable from last id
-- t.brandt   21-SEP-2015  archive of processed rows
--

  g_request_id   number := fnd_global.conc_request_id;
  g_user_id      number := fnd_global.user_id;
  g_err_count    pls_integer := 0;

  -- pending rows, re-opened for each batch starting after the last id
  cursor c_pending (p_org_id  in number,
                    p_from_id in number)
  is
    select interface_line_id, customer_id, bill_to_site_id, term_id,
           trx_date, amount, currency_code, status
      from xx_ar_inv_interface
     where org_id = p_org_id
       and status = 'PENDING'
       and interface_line_id > p_from_id
     order by interface_line_id;

  cursor c_cust_site (p_site_id in number) is
    select cust_acct_site_id, site_use_code, primary_flag, status
      from hz_cust_site_uses_all
     where site_use_id = p_site_id;

  cursor c_terms (p_term_id in number) is
    select term_id, due_days, due_day_of_month, due_months_forward
      from ra_terms_lines
     where term_id = p_term_id
       and sequence_num = 1;

  type t_pending is table of c_pending%rowtype index by pls_integer;

  ------------------------------------------------------------------------
  procedure out_log (p_msg in varchar2) is
  begin
    fnd_file.put_line(fnd_file.log, p_msg);
  end out_log;

  ------------------------------------------------------------------------
  procedure reset_cursors is
  begin
    if c_cust_site%isopen then close c_cust_site; end if;
    if c_terms%isopen     then close c_terms;     end if;
  end reset_cursors;

  ------------------------------------------------------------------------
  -- derive_due_date : only the inner block has a handler
  ------------------------------------------------------------------------
  function derive_due_date (p_term_id  in number,
                            p_trx_date in date) return date
  is
    r_term  c_terms%rowtype;
    l_due   date;
  begin
    open c_terms(p_term_id);
    fetch c_terms into r_term;
    close c_terms;

    begin
      l_due := case
                 when r_term.due_days is not null then
                   p_trx_date + r_term.due_days
                 when r_term.due_day_of_month is not null then
                   to_date(to_char(add_months(p_trx_date, nvl(r_term.due_months_forward, 0)), 'YYYYMM')
                           || lpad(r_term.due_day_of_month, 2, '0'), 'YYYYMMDD')
                 else
                   p_trx_date
               end;
    exception
      when others then
        -- day 31 in a short month and the like
        l_due := last_day(add_months(p_trx_date, nvl(r_term.due_months_forward, 0)));
    end;

    return l_due;
  end derive_due_date;

  ------------------------------------------------------------------------
  procedure process_invoice (p_rec in c_pending%rowtype)
  is
    r_site   c_cust_site%rowtype;
    l_due    date;
  begin
    open c_cust_site(p_rec.bill_to_site_id);
    fetch c_cust_site into r_site;
    if c_cust_site%notfound or r_site.status <> 'A' then
      close c_cust_site;
      raise_application_error(-20401, 'Bill-to site ' || p_rec.bill_to_site_id || ' invalid');
    end if;
    close c_cust_site;

    if r_site.site_use_code <> 'BILL_TO' then
      raise_application_error(-20402, 'Site ' || p_rec.bill_to_site_id || ' is not a bill-to');
    end if;

    l_due := derive_due_date(p_rec.term_id, p_rec.trx_date);

    update xx_ar_inv_interface
       set status           = 'READY',
           due_date         = l_due,
           request_id       = g_request_id,
           last_updated_by  = g_user_id,
           last_update_date = sysdate
     where interface_line_id = p_rec.interface_line_id;

  exception
    when others then
      reset_cursors;
      g_err_count := g_err_count + 1;
      update xx_ar_inv_interface
         set status = 'ERROR',
             error_message = substr(sqlerrm, 1, 240),
             request_id = g_request_id
       where interface_line_id = p_rec.interface_line_id;
  end process_invoice;

  ------------------------------------------------------------------------
  procedure archive_processed (p_org_id in number, p_days in number)
  is
    l_moved  number := 0;
  begin
    out_log('Archiving rows older than ' || p_days || ' days');

    declare
      cursor c_old is
        select rowid rid, interface_line_id
          from xx_ar_inv_interface
         where org_id = p_org_id
           and status in ('READY', 'IMPORTED')
           and last_update_date < sysdate - p_days;

      type t_rid is table of rowid index by pls_integer;
      type t_id  is table of number index by pls_integer;
      l_rids  t_rid;
      l_ids   t_id;
    begin
      open c_old;
      loop
        fetch c_old bulk collect into l_rids, l_ids limit 1000;
        exit when l_rids.count = 0;

        forall i in 1 .. l_ids.count
          insert into xx_ar_inv_interface_arch
          select * from xx_ar_inv_interface where rowid = l_rids(i);

        forall i in 1 .. l_rids.count
          delete from xx_ar_inv_interface where rowid = l_rids(i);

        l_moved := l_moved + l_rids.count;
        commit;
      end loop;
      -- c_old goes out of scope here
    end;

    out_log('Archived ' || l_moved || ' rows');
  end archive_processed;

  ------------------------------------------------------------------------
  procedure dyn_count (p_org_id in number, x_open_cnt out number)
  is
    l_cur   integer;
    l_rows  integer;
    l_sql   varchar2(400) := 'select count(*) from xx_ar_inv_interface where org_id = :org and status = ''PENDING''';
  begin
    l_cur := dbms_sql.open_cursor;
    dbms_sql.parse(l_cur, l_sql, dbms_sql.native);
    dbms_sql.bind_variable(l_cur, ':org', p_org_id);
    dbms_sql.define_column(l_cur, 1, x_open_cnt);
    l_rows := dbms_sql.execute(l_cur);
    if dbms_sql.fetch_rows(l_cur) > 0 then
      dbms_sql.column_value(l_cur, 1, x_open_cnt);
    end if;
    dbms_sql.close_cursor(l_cur);
  exception
    when others then
      if dbms_sql.is_open(l_cur) then
        dbms_sql.close_cursor(l_cur);
      end if;
      raise;
  end dyn_count;

  ------------------------------------------------------------------------
  -- MAIN : concurrent program entry point
  ------------------------------------------------------------------------
  procedure main (errbuf        out varchar2,
                  retcode       out number,
                  p_org_id      in  number,
                  p_batch_size  in  number default 500,
                  p_archive     in  varchar2 default 'N',
                  p_max_batches in  number default null)
  is
    l_rows       t_pending;
    r_pend       c_pending%rowtype;
    l_last_id    number := 0;
    l_batch_no   pls_integer := 0;
    l_open_cnt   number;
    l_total      number := 0;
  begin
    retcode := 0;
    errbuf  := null;

    dyn_count(p_org_id, l_open_cnt);
    out_log('Pending rows at start: ' || l_open_cnt);

    <<batch_loop>>
    loop
      l_batch_no := l_batch_no + 1;
      l_rows.delete;

      open c_pending(p_org_id, l_last_id);     -- re-opened for every batch
      loop
        fetch c_pending into r_pend;
        exit when c_pending%notfound or c_pending%rowcount > p_batch_size;
        l_rows(l_rows.count + 1) := r_pend;
      end loop;
      close c_pending;   -- the extra row is read again by the next batch

      exit batch_loop when l_rows.count = 0;

      for i in 1 .. l_rows.count loop
        process_invoice(l_rows(i));
        l_last_id := l_rows(i).interface_line_id;
      end loop;

      l_total := l_total + l_rows.count;
      commit;
      out_log('Batch ' || l_batch_no || ' done, last id ' || l_last_id);

      exit batch_loop when p_max_batches is not null and l_batch_no >= p_max_batches;
    end loop batch_loop;

    if p_archive = 'Y' then
      archive_processed(p_org_id, 30);
    end if;

    out_log('Processed ' || l_total || ' rows, ' || g_err_count || ' errors');

    if g_err_count > 0 then
      retcode := 1;
      errbuf  := g_err_count || ' rows in error, see the interface table';
    end if;

  exception
    when others then
      rollback;
      retcode := 2;
      errbuf  := substr('XXARAUTOINV failed in batch ' || l_batch_no || ': ' || sqlerrm, 1, 240);
      out_log(errbuf);
  end main;

end xx_ar_autoinv_req;
/
show errors package body xx_ar_autoinv_req
